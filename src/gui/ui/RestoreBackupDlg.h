#pragma once

#include "core/app/DatedBackups.h"

#include <QDialog>
#include <QString>

#include <memory>
#include <string>
#include <vector>

namespace Ui {
class RestoreBackupDlg;
}

// Lists the dated copies of the data file, newest first, with what each holds, and lets the
// person choose one to restore. Copies that cannot be read are shown but cannot be chosen.
class CRestoreBackupDlg : public QDialog {
    Q_OBJECT

public:
    CRestoreBackupDlg(const std::vector<DatedCopySummary>& copies, const QString& folder,
                      QWidget* parent = nullptr);
    ~CRestoreBackupDlg() override;

    // The chosen copy; valid after the dialog was accepted.
    const DatedCopySummary* GetSelected() const;

    // "Thursday, December 10, 2026" for YYYYMMDD.
    static QString DateText(BackupDate date);

private:
    void UpdateButtons();

    std::unique_ptr<Ui::RestoreBackupDlg> m_ui;
    std::vector<DatedCopySummary> m_copies;
};
