#include "gui/ui/DeletePeriodDlg.h"

#include "ui_DeletePeriodDlg.h"

CDeletePeriodDlg::CDeletePeriodDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::DeletePeriodDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->safeRadio->setChecked(true);
    connect(m_ui->permanentRadio, &QRadioButton::clicked, this, &CDeletePeriodDlg::ShowInfo);
    connect(m_ui->safeRadio, &QRadioButton::clicked, this, &CDeletePeriodDlg::ShowInfo);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CDeletePeriodDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CDeletePeriodDlg::reject);
    ShowInfo();
}

CDeletePeriodDlg::~CDeletePeriodDlg() = default;

CDeletePeriodDlg::Method CDeletePeriodDlg::GetMethod() const {
    return m_ui->permanentRadio->isChecked() ? Permanent : Safe;
}

void CDeletePeriodDlg::ShowInfo() {
    m_ui->infoText->setPlainText(
        GetMethod() == Permanent
            ? tr("Deleting a time period Permanently means that the record is destroyed. You "
                 "cannot restore it, ever.")
            : tr("Deleting a time period Safely means that the record is marked as deleted. "
                 "The period will not show up in reports or in time calculations. A Safely "
                 "deleted time period can, however, be restored."));
}
