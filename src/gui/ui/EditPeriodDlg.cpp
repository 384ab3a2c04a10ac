#include "gui/ui/EditPeriodDlg.h"

#include "core/app/Prompts.h"
#include "core/data/DoneTask.h"
#include "core/data/Store.h"
#include "core/timing/DurationFormat.h"
#include "gui/ui/CorrectionView.h"
#include "ui_EditPeriodDlg.h"

namespace cv = correctionview;

CEditPeriodDlg::CEditPeriodDlg(const CStore& store, const CPeriodEditor& editor, Prompts& prompts,
                               std::int32_t now, const CDoneTask* period, const QString& project,
                               QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::EditPeriodDlg>()), m_editor(editor),
      m_prompts(prompts), m_now(now), m_period(period) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(period != nullptr ? tr("Edit Period") : tr("Add Period"));

    if (period != nullptr) {
        cv::FillProjects(m_ui->projectList, store, QString::fromStdString(period->GetProject()));
        cv::SetTime(m_ui->startEdit, period->GetStart());
        cv::SetTime(m_ui->endEdit, period->GetEnd());
        m_ui->notesEdit->setPlainText(QString::fromStdString(period->GetNotes()));
    } else {
        // A period never timed: by default the hour before now, today.
        cv::FillProjects(m_ui->projectList, store, project);
        cv::SetTime(m_ui->startEdit, now - 3600);
        cv::SetTime(m_ui->endEdit, now);
    }
    if (period != nullptr && period->IsRunning()) {
        // Its end follows the clock and its notes come at check-out: only the start moves.
        m_ui->projectList->setEnabled(false);
        m_ui->endEdit->setEnabled(false);
        m_ui->notesEdit->setReadOnly(true);
    }

    connect(m_ui->projectList, &QComboBox::currentIndexChanged, this, &CEditPeriodDlg::Replan);
    connect(m_ui->startEdit, &QDateTimeEdit::dateTimeChanged, this, &CEditPeriodDlg::Replan);
    connect(m_ui->endEdit, &QDateTimeEdit::dateTimeChanged, this, &CEditPeriodDlg::Replan);
    connect(m_ui->joinCheck, &QCheckBox::toggled, this, &CEditPeriodDlg::Replan);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CEditPeriodDlg::OnOk);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CEditPeriodDlg::reject);
    Replan();
    m_ui->startEdit->setFocus();
}

CEditPeriodDlg::~CEditPeriodDlg() = default;

PeriodDraft CEditPeriodDlg::Draft() const {
    PeriodDraft draft;
    draft.project = m_ui->projectList->currentText().toStdString();
    draft.start = cv::TimeOf(m_ui->startEdit).value_or(0);
    draft.end = cv::TimeOf(m_ui->endEdit).value_or(0);
    draft.notes = m_ui->notesEdit->toPlainText().toStdString();
    if (m_period != nullptr && m_period->IsRunning())
        draft.end = m_period->GetEnd();
    return draft;
}

void CEditPeriodDlg::Replan() {
    const PeriodDraft draft = Draft();
    const OverlapRule rule = m_ui->joinCheck->isChecked() ? OverlapRule::Join : OverlapRule::Refuse;
    m_plan = m_period != nullptr ? m_editor.PlanEdit(*m_period, draft, m_now, rule)
                                 : m_editor.PlanAdd(draft, m_now, rule);
    const std::int64_t end = m_period != nullptr && m_period->IsRunning() ? m_now : draft.end;
    m_ui->durationValue->setText(QString::fromStdString(
        duration::FormatDuration(end - static_cast<std::int64_t>(draft.start))));
    // The join is offered only while there is something to join.
    const bool offerJoin =
        m_ui->joinCheck->isChecked() ||
        (m_plan.problem == CorrectionPlan::Problem::SameProjectOverlap && m_plan.joinable);
    m_ui->joinCheck->setVisible(offerJoin);
    cv::ShowPlan(m_plan, m_ui->problemLabel, m_ui->noteLabel, m_ui->warningLabel);
}

void CEditPeriodDlg::OnOk() {
    // Notes typed last have not replanned yet.
    Replan();
    if (m_plan.Ok()) {
        accept();
        return;
    }
    // Another period of the project in the way: it may be opened instead.
    switch (cv::AskToOpenOverlapped(
        m_prompts, m_plan,
        " To make the two one period instead, choose No and check \"Join it with "
        "the overlapping period of the same project\".")) {
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
