#include "gui/ui/LockDlg.h"

#include "ui_LockDlg.h"

CLockDlg::CLockDlg(bool askAgain, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::LockDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->askAgainCheck->setChecked(askAgain);
    connect(m_ui->yesButton, &QPushButton::clicked, this, &CLockDlg::accept);
    connect(m_ui->noButton, &QPushButton::clicked, this, &CLockDlg::reject);
}

CLockDlg::~CLockDlg() = default;

bool CLockDlg::GetAskAgain() const {
    return m_ui->askAgainCheck->isChecked();
}
