#include "gui/reports/ReportOptionsDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "gui/reports/TitlePageDlg.h"
#include "ui_ReportOptionsDlg.h"

CReportOptionsDlg::CReportOptionsDlg(CPunchwellApp& app, Prompts& prompts, std::uint16_t pageLines,
                                     QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ReportOptionsDlg>()), m_app(app),
      m_prompts(prompts), m_wPageLines(pageLines) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    m_ui->titleEdit->setToolTip(
        tr("This title will appear at the top of the report and on the title page"));
    m_ui->showPeriodsCheck->setToolTip(
        tr("If checked, the report will contain a line for each time period incl. comments"));
    m_ui->titlePageCheck->setToolTip(tr("If checked, the report will include a title page"));
    m_ui->costPerHourCheck->setToolTip(
        tr("If checked, the report will contain calculations for money earned"));
    m_ui->topLineRadio->setToolTip(
        tr("If selected, only the first line of multiline notes will be in the report"));
    m_ui->bottomRadio->setToolTip(
        tr("If selected, multiline notes will be displayed at the bottom of the report"));
    m_ui->omitRadio->setToolTip(
        tr("If selected, multiline notes will not be included in the report"));

    connect(m_ui->pageLinesButton, &QPushButton::clicked, this, &CReportOptionsDlg::OnPageLines);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CReportOptionsDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CReportOptionsDlg::reject);
}

CReportOptionsDlg::~CReportOptionsDlg() = default;

std::optional<NotesMode> CReportOptionsDlg::SelectedNotesMode() const {
    if (m_ui->topLineRadio->isChecked())
        return TopLineOnly;
    if (m_ui->bottomRadio->isChecked())
        return NotesAtBottom;
    if (m_ui->omitRadio->isChecked())
        return OmitNotes;
    return std::nullopt;
}

ReportOptions CReportOptionsDlg::GetOptions() const {
    ReportOptions options;
    options.title = m_ui->titleEdit->text().toStdString();
    options.showPeriods = m_ui->showPeriodsCheck->isChecked();
    options.notesMode = SelectedNotesMode().value_or(TopLineOnly);
    options.titlePage = m_ui->titlePageCheck->isChecked();
    options.costPerHour = m_ui->costPerHourCheck->isChecked();
    options.pageLines = m_wPageLines;
    return options;
}

void CReportOptionsDlg::OnPageLines() {
    CTitlePageDlg dialog(m_prompts, m_wPageLines, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    m_wPageLines = dialog.GetPageLines();
    m_app.Options().m_wPageLines = m_wPageLines;
    m_app.WriteOptions();
}

void CReportOptionsDlg::accept() {
    const std::optional<ReportFormMessage> refusal =
        CheckReportOptionsForm(m_ui->titleEdit->text().toStdString(), SelectedNotesMode());
    if (refusal) {
        m_prompts.Ask(refusal->caption, refusal->text, MessageIcon::Exclamation,
                      MessageButtons::Ok);
        // Back to what is missing.
        if (m_ui->titleEdit->text().isEmpty())
            m_ui->titleEdit->setFocus(Qt::OtherFocusReason);
        else
            m_ui->topLineRadio->setFocus(Qt::OtherFocusReason);
        return;
    }
    QDialog::accept();
}
