#include "gui/reports/ReportItemDlg.h"

#include "core/app/Prompts.h"
#include "core/data/Store.h"
#include "core/reports/Report.h"
#include "gui/ui/ProjectNameDisplay.h"
#include "gui/ui/ProjectNameOrder.h"
#include "ui_ReportItemDlg.h"

#include <QRegularExpressionValidator>

#include <algorithm>

namespace {

constexpr int kTimerMs = 250;

} // namespace

CReportItemDlg::CReportItemDlg(const CStore& store, const CReport& report, Prompts& prompts,
                               int currentYear, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ReportItemDlg>()), m_report(report),
      m_prompts(prompts) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    QStringList names;
    for (const auto& task : store.Tasks())
        names.append(QString::fromStdString(task->GetName()));
    std::stable_sort(names.begin(), names.end(), ProjectNameLess);
    m_ui->projectCombo->addItems(names);
    FitProjectNames(m_ui->projectCombo);
    m_ui->projectCombo->setCurrentIndex(-1);

    const QStringList months = {tr("January"),   tr("February"), tr("March"),    tr("April"),
                                tr("May"),       tr("June"),     tr("July"),     tr("August"),
                                tr("September"), tr("October"),  tr("November"), tr("December")};
    for (QComboBox* combo : {m_ui->startMonthCombo, m_ui->endMonthCombo}) {
        combo->addItems(months);
        combo->setCurrentIndex(-1);
    }

    // The number boxes take digits only, as typed.
    auto* digits =
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), this);
    for (QLineEdit* edit :
         {m_ui->startDayEdit, m_ui->startYearEdit, m_ui->endDayEdit, m_ui->endYearEdit})
        edit->setValidator(digits);
    m_ui->startDayEdit->setText(QStringLiteral("1"));
    m_ui->endDayEdit->setText(QStringLiteral("1"));
    m_ui->startYearEdit->setText(QString::number(currentYear));
    m_ui->endYearEdit->setText(QString::number(currentYear));

    m_ui->todayRadio->setChecked(true);
    SetDateControlsEnabled(false);

    connect(m_ui->projectCombo, &QComboBox::currentIndexChanged, this,
            &CReportItemDlg::OnProjectChanged);
    connect(m_ui->otherRadio, &QRadioButton::clicked, this,
            [this] { SetDateControlsEnabled(true); });
    connect(m_ui->okButton, &QPushButton::clicked, this, &CReportItemDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CReportItemDlg::reject);

    // Leaving "Other Time Period:" grays the dates at the next tick.
    m_timer.setInterval(kTimerMs);
    connect(&m_timer, &QTimer::timeout, this, &CReportItemDlg::OnTimer);
    m_timer.start();
}

CReportItemDlg::~CReportItemDlg() = default;

QRadioButton* CReportItemDlg::PeriodButton(std::size_t index) const {
    // Indexed like kReportItemButtonKinds.
    QRadioButton* const buttons[] = {m_ui->todayRadio, m_ui->weekRadio,  m_ui->monthRadio,
                                     m_ui->yearRadio,  m_ui->totalRadio, m_ui->otherRadio};
    return buttons[index];
}

void CReportItemDlg::SetDateControlsEnabled(bool enabled) {
    for (QWidget* control : std::initializer_list<QWidget*>{
             m_ui->startMonthCombo, m_ui->startDayEdit, m_ui->startYearEdit, m_ui->endMonthCombo,
             m_ui->endDayEdit, m_ui->endYearEdit})
        control->setEnabled(enabled);
}

void CReportItemDlg::OnTimer() {
    if (!m_ui->otherRadio->isChecked())
        SetDateControlsEnabled(false);
}

void CReportItemDlg::OnProjectChanged() {
    const std::string project = m_ui->projectCombo->currentText().toStdString();
    const auto enabled =
        m_ui->projectCombo->currentIndex() >= 0
            ? EnabledPeriodButtons(m_report, project)
            : std::array<bool, kReportPeriodCount>{true, true, true, true, true, true};
    for (std::size_t i = 0; i < enabled.size(); ++i) {
        QRadioButton* button = PeriodButton(i);
        button->setEnabled(enabled[i]);
        if (!enabled[i] && button->isChecked()) {
            // An exclusive group never lets its checked button go by itself.
            button->setAutoExclusive(false);
            button->setChecked(false);
            button->setAutoExclusive(true);
        }
    }
}

ReportItemForm CReportItemDlg::ReadForm() const {
    ReportItemForm form;
    if (m_ui->projectCombo->currentIndex() >= 0)
        form.project = m_ui->projectCombo->currentText().toStdString();
    for (std::size_t i = 0; i < form.checked.size(); ++i)
        form.checked[i] = PeriodButton(i)->isEnabled() && PeriodButton(i)->isChecked();
    form.startMonth = m_ui->startMonthCombo->currentIndex();
    form.endMonth = m_ui->endMonthCombo->currentIndex();
    form.startDay = m_ui->startDayEdit->text().toStdString();
    form.startYear = m_ui->startYearEdit->text().toStdString();
    form.endDay = m_ui->endDayEdit->text().toStdString();
    form.endYear = m_ui->endYearEdit->text().toStdString();
    return form;
}

QWidget* CReportItemDlg::FieldWidget(ReportItemField field) const {
    switch (field) {
    case ReportItemField::Project:
        return m_ui->projectCombo;
    case ReportItemField::PeriodButtons:
        for (std::size_t i = 0; i < kReportItemButtonKinds.size(); ++i) {
            if (PeriodButton(i)->isEnabled())
                return PeriodButton(i);
        }
        return m_ui->projectCombo;
    case ReportItemField::StartMonth:
        return m_ui->startMonthCombo;
    case ReportItemField::EndMonth:
        return m_ui->endMonthCombo;
    case ReportItemField::StartDay:
        return m_ui->startDayEdit;
    case ReportItemField::EndDay:
        return m_ui->endDayEdit;
    case ReportItemField::StartYear:
        return m_ui->startYearEdit;
    case ReportItemField::EndYear:
        return m_ui->endYearEdit;
    }
    return nullptr;
}

void CReportItemDlg::accept() {
    const ReportItemCheck check = CheckReportItemForm(ReadForm());
    for (const ReportItemMessage& message : check.messages)
        m_prompts.Ask(message.caption, message.text, MessageIcon::Exclamation, MessageButtons::Ok);
    if (!check.accepted) {
        if (!check.messages.empty()) {
            if (QWidget* widget = FieldWidget(check.messages.back().focus)) {
                widget->setFocus(Qt::OtherFocusReason);
                if (auto* edit = qobject_cast<QLineEdit*>(widget))
                    edit->selectAll();
            }
        }
        return;
    }
    m_check = check;
    QDialog::accept();
}
