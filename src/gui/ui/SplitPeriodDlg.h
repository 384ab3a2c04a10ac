#pragma once

#include "core/data/PeriodEditor.h"

#include <QDialog>

#include <cstdint>
#include <memory>
#include <optional>

class CDoneTask;
class CStore;
class Prompts;

namespace Ui {
class SplitPeriodDlg;
}

// Split Period: one period becomes two at a chosen moment, each part with its own project
// and notes; the first part keeps the notes unless the person moves them. Like Edit Period
// it changes nothing itself: after OK its plan is what the caller applies and saves.
class CSplitPeriodDlg : public QDialog {
    Q_OBJECT

public:
    CSplitPeriodDlg(const CStore& store, const CPeriodEditor& editor, Prompts& prompts,
                    std::int32_t now, const CDoneTask& period, QWidget* parent = nullptr);
    ~CSplitPeriodDlg() override;

    const CorrectionPlan& Plan() const { return m_plan; }
    // After a refused overlap the person may ask to open the other period instead: the
    // dialog is then rejected and this holds that period.
    const std::optional<CDoneTask>& PeriodToOpen() const { return m_open; }

private:
    void Replan();
    void OnOk();

    std::unique_ptr<Ui::SplitPeriodDlg> m_ui;
    const CPeriodEditor& m_editor;
    Prompts& m_prompts;
    std::int32_t m_now;
    const CDoneTask& m_period;
    CorrectionPlan m_plan;
    std::optional<CDoneTask> m_open;
};
