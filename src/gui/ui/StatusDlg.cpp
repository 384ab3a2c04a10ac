#include "gui/ui/StatusDlg.h"

#include "core/app/PunchwellApp.h"
#include "core/platform/Clock.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/TaskTotals.h"
#include "ui_StatusDlg.h"

CStatusDlg::CStatusDlg(const CPunchwellApp& app, const QString& projectName, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::StatusDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(tr("Status For ") + projectName);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CStatusDlg::accept);
    connect(m_ui->reportingButton, &QPushButton::clicked, this, &CStatusDlg::reportingRequested);
    m_ui->reportingButton->setEnabled(false);

    const std::string name = projectName.toStdString();
    m_bFound = app.Store().FindTask(name) != nullptr;
    if (!m_bFound)
        return;
    // One moment for all five figures, so they agree with each other.
    const std::int64_t now = app.GetClock().Now();
    const unsigned weekStart = app.GetOptions().m_wWeekStart;
    const CTaskTotals totals(app.Store(), name);
    auto show = [](QLabel* field, std::int64_t seconds) {
        field->setText(QString::fromStdString(duration::FormatDuration(seconds)));
    };
    show(m_ui->todayValue, totals.GetPeriodTime(PeriodKind::Today, now, weekStart));
    show(m_ui->weekValue, totals.GetPeriodTime(PeriodKind::WeekToDate, now, weekStart));
    show(m_ui->monthValue, totals.GetPeriodTime(PeriodKind::MonthToDate, now, weekStart));
    show(m_ui->yearValue, totals.GetPeriodTime(PeriodKind::YearToDate, now, weekStart));
    show(m_ui->totalValue, totals.GetTotalTime());
}

CStatusDlg::~CStatusDlg() = default;

void CStatusDlg::SetReportingAvailable(bool available) {
    m_ui->reportingButton->setEnabled(available);
}

int CStatusDlg::exec() {
    if (!m_bFound) {
        setResult(QDialog::Accepted);
        return QDialog::Accepted;
    }
    return QDialog::exec();
}
