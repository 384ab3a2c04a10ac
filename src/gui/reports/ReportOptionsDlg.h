#pragma once

#include "core/reports/ReportOptions.h"

#include <QDialog>

#include <cstdint>
#include <memory>

class CPunchwellApp;
class Prompts;

namespace Ui {
class ReportOptionsDlg;
}

// Choose Report Options: the title and the choices of one report. A page-lines value
// changed through "..." is stored in the options at once, even if the report is cancelled.
class CReportOptionsDlg : public QDialog {
    Q_OBJECT

public:
    CReportOptionsDlg(CPunchwellApp& app, Prompts& prompts, std::uint16_t pageLines,
                      QWidget* parent = nullptr);
    ~CReportOptionsDlg() override;

    // The choices after OK, with the page lines the title page is to use.
    ReportOptions GetOptions() const;

    void accept() override;
    void OnPageLines();

private:
    std::optional<NotesMode> SelectedNotesMode() const;

    std::unique_ptr<Ui::ReportOptionsDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
    std::uint16_t m_wPageLines;
};
