#include "gui/reports/ReportsDlg.h"

#include "gui/ui/HelpWindow.h"
#include "ui_ReportsDlg.h"

namespace {

constexpr int kHelpContext = 8;

} // namespace

CReportsDlg::CReportsDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ReportsDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    connect(m_ui->okButton, &QPushButton::clicked, this, &CReportsDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CReportsDlg::reject);
    connect(m_ui->customButton, &QPushButton::clicked, this, [this] {
        m_bCustomRequested = true;
        reject();
    });
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
}

CReportsDlg::~CReportsDlg() = default;

int CReportsDlg::GetTypeIndex() const {
    const QRadioButton* const buttons[] = {m_ui->todayRadio, m_ui->monthRadio, m_ui->weekRadio,
                                           m_ui->yearRadio, m_ui->totalRadio};
    for (int i = 0; i < 5; ++i) {
        if (buttons[i]->isChecked())
            return i;
    }
    return 0;
}

CReportsDlg::Scope CReportsDlg::GetScope() const {
    return m_ui->allProjectsRadio->isChecked() ? AllProjects : SingleProject;
}
