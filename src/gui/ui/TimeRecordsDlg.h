#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class CDoneTask;
class CPunchwellApp;
class CTask;
class Prompts;
class QTreeWidgetItem;

namespace Ui {
class TimeRecordsDlg;
}

// One project's time periods, newest first: notes viewed and edited, periods deleted
// safely (restorable) or permanently, safe deletions restored. The running period is left
// out. Every change is saved at once.
class CTimeRecordsDlg : public QDialog {
    Q_OBJECT

public:
    struct Hooks {
        // The period of the running check-in, if any; it is never listed.
        std::function<const CDoneTask*()> currentPeriod;
        // "Reporting..." in the Status For dialog, given that dialog as parent; the button
        // is disabled without it.
        std::function<void(QWidget* statusDialog)> reporting;
    };

    CTimeRecordsDlg(CPunchwellApp& app, Prompts& prompts, const CTask& task, Hooks hooks,
                    QWidget* parent = nullptr);
    ~CTimeRecordsDlg() override;

    void FillRecords();
    void OnViewNotes();
    void OnDeletePeriod();
    void OnRestore();
    void OnStatus();

    int ActiveCount() const { return m_nActive; }
    int DeletedCount() const { return m_nDeleted; }

private:
    CDoneTask* PeriodOf(const QTreeWidgetItem* row) const;
    void SetColumnWidths();

    std::unique_ptr<Ui::TimeRecordsDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
    QString m_strProject;
    Hooks m_hooks;
    int m_nActive = 0;
    int m_nDeleted = 0;
};
