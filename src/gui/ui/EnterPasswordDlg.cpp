#include "gui/ui/EnterPasswordDlg.h"

#include "core/app/Prompts.h"
#include "gui/ui/PasswordText.h"
#include "ui_EnterPasswordDlg.h"

CEnterPasswordDlg::CEnterPasswordDlg(Prompts& prompts, std::string expected, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::EnterPasswordDlg>()), m_prompts(prompts),
      m_strExpected(std::move(expected)) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CEnterPasswordDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CEnterPasswordDlg::reject);
    m_ui->passwordEdit->setFocus();
}

CEnterPasswordDlg::~CEnterPasswordDlg() = default;

void CEnterPasswordDlg::accept() {
    if (PasswordBytes(m_ui->passwordEdit->text()) != m_strExpected) {
        m_prompts.Ask(tr("Password Mismatch").toStdString(),
                      tr("The password you have entered is incorrect.").toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
        m_ui->passwordEdit->setFocus();
        m_ui->passwordEdit->end(false);
        m_ui->passwordEdit->home(true);
        return;
    }
    QDialog::accept();
}
