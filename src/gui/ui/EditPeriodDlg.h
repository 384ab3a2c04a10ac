#pragma once

#include "core/data/PeriodEditor.h"

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>
#include <optional>

class CDoneTask;
class CStore;
class Prompts;

namespace Ui {
class EditPeriodDlg;
}

// Edit Period and Add Period: the project, the start and end in local time, the notes, the
// duration as it is typed, and what the store's rules make of it. The dialog changes
// nothing: after OK its plan is what the caller applies and saves.
class CEditPeriodDlg : public QDialog {
    Q_OBJECT

public:
    // Edits `period`, or adds a period (preselecting `project`) when it is null.
    CEditPeriodDlg(const CStore& store, const CPeriodEditor& editor, Prompts& prompts,
                   std::int32_t now, const CDoneTask* period, const QString& project,
                   QWidget* parent = nullptr);
    ~CEditPeriodDlg() override;

    // The correction to apply; Ok() after the dialog was accepted.
    const CorrectionPlan& Plan() const { return m_plan; }
    // After a refused overlap the person may ask to open the other period instead: the
    // dialog is then rejected and this holds that period.
    const std::optional<CDoneTask>& PeriodToOpen() const { return m_open; }

private:
    PeriodDraft Draft() const;
    void Replan();
    void OnOk();

    std::unique_ptr<Ui::EditPeriodDlg> m_ui;
    const CPeriodEditor& m_editor;
    Prompts& m_prompts;
    std::int32_t m_now;
    const CDoneTask* m_period;
    CorrectionPlan m_plan;
    std::optional<CDoneTask> m_open;
};
