#include "gui/reports/TitlePageDlg.h"

#include "core/app/Prompts.h"
#include "core/reports/ReportOptions.h"
#include "ui_TitlePageDlg.h"

CTitlePageDlg::CTitlePageDlg(Prompts& prompts, std::uint16_t pageLines, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TitlePageDlg>()), m_prompts(prompts),
      m_wPageLines(pageLines) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->pageLinesEdit->setText(QString::number(pageLines));

    connect(m_ui->okButton, &QPushButton::clicked, this, &CTitlePageDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CTitlePageDlg::reject);
}

CTitlePageDlg::~CTitlePageDlg() = default;

void CTitlePageDlg::accept() {
    const PageLinesCheck check = CheckPageLinesText(m_ui->pageLinesEdit->text().toStdString());
    if (!check.value) {
        if (check.message)
            m_prompts.Ask(check.message->caption, check.message->text, MessageIcon::Exclamation,
                          MessageButtons::Ok);
        m_ui->pageLinesEdit->setFocus(Qt::OtherFocusReason);
        m_ui->pageLinesEdit->selectAll();
        return;
    }
    m_wPageLines = *check.value;
    QDialog::accept();
}
