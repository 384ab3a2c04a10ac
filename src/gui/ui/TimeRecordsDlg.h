#pragma once

#include <QDialog>
#include <QPoint>
#include <QString>

#include <cstdint>
#include <functional>
#include <memory>

class CDoneTask;
class CPeriodEditor;
class CPunchwellApp;
class CTask;
class Prompts;
class QTreeWidgetItem;
struct CorrectionPlan;

namespace Ui {
class TimeRecordsDlg;
}

// One project's time periods, newest first: notes viewed and edited, periods edited, added
// and split, deleted safely (restorable) or permanently, safe deletions restored, the last
// correction undone. The running period is left out. Every change is saved at once.
class CTimeRecordsDlg : public QDialog {
    Q_OBJECT

public:
    struct Hooks {
        // The period of the running check-in, if any; it is never listed.
        std::function<const CDoneTask*()> currentPeriod;
        // "Reporting..." in the Status For dialog, given that dialog as parent; the button
        // is disabled without it.
        std::function<void(QWidget* statusDialog)> reporting;
        // Keeps the last correction for Ctrl+Z beyond this dialog; the dialog keeps its own
        // when none is given.
        CPeriodEditor* editor = nullptr;
    };

    CTimeRecordsDlg(CPunchwellApp& app, Prompts& prompts, const CTask& task, Hooks hooks,
                    QWidget* parent = nullptr);
    ~CTimeRecordsDlg() override;

    void FillRecords();
    void OnViewNotes();
    void OnDeletePeriod();
    void OnRestore();
    void OnStatus();
    void OnEditPeriod();
    void OnAddPeriod();
    void OnSplitPeriod();
    void OnUndo();

    int ActiveCount() const { return m_nActive; }
    int DeletedCount() const { return m_nDeleted; }

private:
    CDoneTask* PeriodOf(const QTreeWidgetItem* row) const;
    CDoneTask* SelectedPeriod() const;
    // Edits `period` (adds one when null); after a refused overlap the person may go on to
    // the other period, which is then edited in turn.
    void EditPeriod(const CDoneTask* period);
    // Applies a plan the person confirmed, saves, and shows the result with `start` selected.
    void ApplyPlan(const CorrectionPlan& plan, std::int32_t select);
    void SelectStart(std::int32_t start);
    void ShowContextMenu(const QPoint& at);
    bool eventFilter(QObject* watched, QEvent* event) override;
    void SetColumnWidths();

    std::unique_ptr<Ui::TimeRecordsDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
    QString m_strProject;
    Hooks m_hooks;
    std::unique_ptr<CPeriodEditor> m_ownEditor;
    CPeriodEditor* m_editor = nullptr;
    int m_nActive = 0;
    int m_nDeleted = 0;
};
