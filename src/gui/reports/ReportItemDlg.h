#pragma once

#include "core/reports/ReportItemForm.h"

#include <QDialog>
#include <QTimer>

#include <memory>

class CReport;
class CStore;
class Prompts;
class QRadioButton;
class QWidget;

namespace Ui {
class ReportItemDlg;
}

// Add Custom Report Item: one project and one period kind, or fixed dates. OK closes only
// on a form the checks accept; GetCheck then holds the item to add.
class CReportItemDlg : public QDialog {
    Q_OBJECT

public:
    // `report` is the custom report being assembled: a project's period buttons are disabled
    // for the relative kinds it already has. `currentYear` fills both year boxes.
    CReportItemDlg(const CStore& store, const CReport& report, Prompts& prompts, int currentYear,
                   QWidget* parent = nullptr);
    ~CReportItemDlg() override;

    const ReportItemCheck& GetCheck() const { return m_check; }
    // The form as OK reads it.
    ReportItemForm ReadForm() const;

    void accept() override;

private:
    void OnProjectChanged();
    void OnTimer();
    void SetDateControlsEnabled(bool enabled);
    QRadioButton* PeriodButton(std::size_t index) const;
    QWidget* FieldWidget(ReportItemField field) const;

    std::unique_ptr<Ui::ReportItemDlg> m_ui;
    const CReport& m_report;
    Prompts& m_prompts;
    QTimer m_timer;
    ReportItemCheck m_check;
};
