#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class CPunchwellApp;

namespace Ui {
class StatusDlg;
}

// One project's time today, this week, this month, this year and in total, computed once
// when the dialog opens.
class CStatusDlg : public QDialog {
    Q_OBJECT

public:
    CStatusDlg(const CPunchwellApp& app, const QString& projectName, QWidget* parent = nullptr);
    ~CStatusDlg() override;

    // A project that is gone from the store has no status: the dialog ends at once with OK.
    int exec() override;
    bool HasProject() const { return m_bFound; }
    // "Reporting..." is offered only where the reports can be reached.
    void SetReportingAvailable(bool available);

signals:
    // "Reporting...": the reports for this project are asked for; the dialog stays open.
    void reportingRequested();

private:
    std::unique_ptr<Ui::StatusDlg> m_ui;
    bool m_bFound = false;
};
