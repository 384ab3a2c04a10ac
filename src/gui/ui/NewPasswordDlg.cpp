#include "gui/ui/NewPasswordDlg.h"

#include "core/app/Prompts.h"
#include "ui_NewPasswordDlg.h"

CNewPasswordDlg::CNewPasswordDlg(Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::NewPasswordDlg>()), m_prompts(prompts) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CNewPasswordDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CNewPasswordDlg::reject);
    m_ui->password1Edit->setFocus();
}

CNewPasswordDlg::~CNewPasswordDlg() = default;

void CNewPasswordDlg::accept() {
    const QString first = m_ui->password1Edit->text();
    const QString second = m_ui->password2Edit->text();
    if (first != second) {
        m_prompts.Ask(tr("Password Mismatch").toStdString(),
                      tr("The passwords you entered do not match. Please try again.").toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
        m_ui->password2Edit->clear();
        m_ui->password2Edit->setFocus();
        return;
    }
    if (first.isEmpty()) {
        const MessageAnswer answer = m_prompts.Ask(
            tr("Set Empty Password?").toStdString(),
            tr("Setting an empty password will disable the \"Lock Program\" feature and set the "
               "password to nothing. Are you sure you want to do this?")
                .toStdString(),
            MessageIcon::Question, MessageButtons::YesNo, true, MessageAnswer::No);
        if (answer != MessageAnswer::Yes) {
            m_ui->password1Edit->setFocus();
            return;
        }
    }
    m_strPassword1 = first;
    QDialog::accept();
}
