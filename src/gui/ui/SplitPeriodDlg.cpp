#include "gui/ui/SplitPeriodDlg.h"

#include "core/app/Prompts.h"
#include "core/data/DoneTask.h"
#include "core/timing/DurationFormat.h"
#include "gui/ui/CorrectionView.h"
#include "ui_SplitPeriodDlg.h"

namespace cv = correctionview;

namespace {

QString Duration(std::int64_t seconds) {
    return QString::fromStdString(duration::FormatDuration(seconds));
}

} // namespace

CSplitPeriodDlg::CSplitPeriodDlg(const CStore& store, const CPeriodEditor& editor, Prompts& prompts,
                                 std::int32_t now, const CDoneTask& period, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::SplitPeriodDlg>()), m_editor(editor),
      m_prompts(prompts), m_now(now), m_period(period) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    const QString project = QString::fromStdString(period.GetProject());
    m_ui->periodValue->setText(
        project + QStringLiteral(", ") +
        QString::fromStdString(DescribePeriodTimes(period.GetStart(), period.GetEnd())));
    cv::FillProjects(m_ui->firstProjectList, store, project);
    cv::FillProjects(m_ui->secondProjectList, store, project);
    m_ui->firstNotesEdit->setPlainText(QString::fromStdString(period.GetNotes()));

    // The middle of the period, on a whole minute when the period is long enough for one.
    std::int64_t middle = period.GetStart() + period.GetDuration() / 2;
    if (middle - middle % 60 > period.GetStart())
        middle -= middle % 60;
    cv::SetTime(m_ui->splitEdit, static_cast<std::int32_t>(middle));

    connect(m_ui->splitEdit, &QDateTimeEdit::dateTimeChanged, this, &CSplitPeriodDlg::Replan);
    connect(m_ui->firstProjectList, &QComboBox::currentIndexChanged, this,
            &CSplitPeriodDlg::Replan);
    connect(m_ui->secondProjectList, &QComboBox::currentIndexChanged, this,
            &CSplitPeriodDlg::Replan);
    connect(m_ui->joinCheck, &QCheckBox::toggled, this, &CSplitPeriodDlg::Replan);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CSplitPeriodDlg::OnOk);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CSplitPeriodDlg::reject);
    Replan();
    m_ui->splitEdit->setFocus();
}

CSplitPeriodDlg::~CSplitPeriodDlg() = default;

void CSplitPeriodDlg::Replan() {
    const std::int32_t at = cv::TimeOf(m_ui->splitEdit).value_or(m_period.GetStart());
    m_plan = m_editor.PlanSplit(
        m_period, at,
        {m_ui->firstProjectList->currentText().toStdString(),
         m_ui->firstNotesEdit->toPlainText().toStdString()},
        {m_ui->secondProjectList->currentText().toStdString(),
         m_ui->secondNotesEdit->toPlainText().toStdString()},
        m_now, m_ui->joinCheck->isChecked() ? OverlapRule::Join : OverlapRule::Refuse);
    // The parts as the plan makes them (a taken second moves the split), else as typed.
    std::int64_t split = at;
    if (m_plan.Ok() && m_plan.correction.Changes().size() == 2)
        split = m_plan.correction.Changes()[1].after->GetStart();
    m_ui->firstDurationValue->setText(Duration(split - m_period.GetStart()));
    m_ui->secondDurationValue->setText(Duration(m_period.GetEnd() - split));
    // The join is offered only while there is something to join.
    m_ui->joinCheck->setVisible(
        m_ui->joinCheck->isChecked() ||
        (m_plan.problem == CorrectionPlan::Problem::SameProjectOverlap && m_plan.joinable));
    cv::ShowPlan(m_plan, m_ui->problemLabel, m_ui->noteLabel, m_ui->warningLabel);
}

void CSplitPeriodDlg::OnOk() {
    Replan();
    if (m_plan.Ok()) {
        accept();
        return;
    }
    // Another period of the project in the way: it may be opened instead.
    switch (cv::AskToOpenOverlapped(
        m_prompts, m_plan,
        " To make them one period instead, choose No and check \"Join a part with "
        "the overlapping periods of its project\".")) {
    case cv::OverlapAnswer::OpenIt:
        m_open = m_plan.conflict;
        reject();
        return;
    case cv::OverlapAnswer::Stay:
        return;
    case cv::OverlapAnswer::NotAsked:
        break;
    }
    m_prompts.Ask(windowTitle().toStdString(), m_plan.refusal, MessageIcon::Exclamation,
                  MessageButtons::Ok);
}
