#include "gui/ui/TimeRecordsDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/data/PeriodEditor.h"
#include "core/data/StoreEdits.h"
#include "core/platform/Clock.h"
#include "core/platform/LocalTime.h"
#include "gui/ui/DeletePeriodDlg.h"
#include "gui/ui/EditPeriodDlg.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/NotesDlg.h"
#include "gui/ui/SplitPeriodDlg.h"
#include "gui/ui/StatusDlg.h"
#include "ui_TimeRecordsDlg.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QShortcut>

#include <algorithm>
#include <vector>

namespace {

constexpr int kHelpContext = 6;
constexpr int kStartRole = Qt::UserRole;

enum Column { StartDate, EndDate, StartTime, EndTime, Notes };

QString Local(std::int64_t time, const char* format) {
    return QString::fromStdString(FormatLocal(time, format));
}

} // namespace

CTimeRecordsDlg::CTimeRecordsDlg(CPunchwellApp& app, Prompts& prompts, const CTask& task,
                                 Hooks hooks, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TimeRecordsDlg>()), m_app(app), m_prompts(prompts),
      m_strProject(QString::fromStdString(task.GetName())), m_hooks(std::move(hooks)) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(tr("Time Records For: ") + m_strProject);
    m_editor = m_hooks.editor;
    if (m_editor == nullptr) {
        m_ownEditor = std::make_unique<CPeriodEditor>(m_app.Store());
        m_editor = m_ownEditor.get();
    }
    m_ui->recordList->header()->setSectionsClickable(false);
    m_ui->recordList->header()->setStretchLastSection(true);
    SetColumnWidths();

    connect(m_ui->viewNotesButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnViewNotes);
    connect(m_ui->recordList, &QTreeWidget::itemDoubleClicked, this, &CTimeRecordsDlg::OnViewNotes);
    connect(m_ui->deletePeriodButton, &QPushButton::clicked, this,
            &CTimeRecordsDlg::OnDeletePeriod);
    connect(m_ui->editPeriodButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnEditPeriod);
    connect(m_ui->addPeriodButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnAddPeriod);
    connect(m_ui->splitPeriodButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnSplitPeriod);
    auto* undo = new QShortcut(QKeySequence::Undo, this);
    connect(undo, &QShortcut::activated, this, &CTimeRecordsDlg::OnUndo);
    m_ui->recordList->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(m_ui->recordList, &QWidget::customContextMenuRequested, this,
            &CTimeRecordsDlg::ShowContextMenu);
    // Enter on a row edits it; without this the dialog's default button would close it.
    m_ui->recordList->installEventFilter(this);
    connect(m_ui->restoreButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnRestore);
    connect(m_ui->statusButton, &QPushButton::clicked, this, &CTimeRecordsDlg::OnStatus);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CTimeRecordsDlg::accept);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });

    FillRecords();
}

CTimeRecordsDlg::~CTimeRecordsDlg() = default;

void CTimeRecordsDlg::SetColumnWidths() {
    // Each date and time column is as wide as its widest text, plus the cell's margins.
    const QFontMetrics metrics(m_ui->recordList->font());
    const int margin =
        2 * m_ui->recordList->style()->pixelMetric(QStyle::PM_FocusFrameHMargin) + 12;
    const int date = metrics.horizontalAdvance(QStringLiteral("XX/XX/XX")) + margin;
    const int time = metrics.horizontalAdvance(QStringLiteral("HH:MM:SS")) + margin;
    m_ui->recordList->setColumnWidth(StartDate, date);
    m_ui->recordList->setColumnWidth(EndDate, date);
    m_ui->recordList->setColumnWidth(StartTime, time);
    m_ui->recordList->setColumnWidth(EndTime, time);
    m_ui->recordList->setColumnWidth(
        Notes, std::max(60, m_ui->recordList->viewport()->width() - 2 * date - 2 * time - 20));
}

void CTimeRecordsDlg::FillRecords() {
    m_ui->recordList->clear();
    m_nActive = 0;
    m_nDeleted = 0;
    const CDoneTask* running = m_hooks.currentPeriod ? m_hooks.currentPeriod() : nullptr;
    const std::string project = m_strProject.toStdString();

    std::vector<const CDoneTask*> shown;
    for (const auto& period : m_app.Store().DoneTasks()) {
        if (period.get() == running || period->GetProject() != project)
            continue;
        if (period->IsDeleted())
            ++m_nDeleted;
        else
            shown.push_back(period.get());
    }
    // Newest start first, whatever the order of the store.
    std::stable_sort(shown.begin(), shown.end(), [](const CDoneTask* a, const CDoneTask* b) {
        return a->GetStart() > b->GetStart();
    });
    m_nActive = static_cast<int>(shown.size());

    QList<QTreeWidgetItem*> rows;
    rows.reserve(m_nActive);
    for (const CDoneTask* period : shown) {
        auto* row = new QTreeWidgetItem;
        row->setText(StartDate, Local(period->GetStart(), "%m/%d/%y"));
        row->setText(EndDate, Local(period->GetEnd(), "%m/%d/%y"));
        row->setText(StartTime, Local(period->GetStart(), "%H:%M:%S"));
        row->setText(EndTime, Local(period->GetEnd(), "%H:%M:%S"));
        row->setText(Notes, QString::fromStdString(period->GetNotes()));
        row->setData(StartDate, kStartRole, period->GetStart());
        rows.append(row);
    }
    m_ui->recordList->addTopLevelItems(rows);
    m_ui->activeCount->setText(QString::number(m_nActive));
    m_ui->deletedCount->setText(QString::number(m_nDeleted));
}

CDoneTask* CTimeRecordsDlg::PeriodOf(const QTreeWidgetItem* row) const {
    // The row's own period: its start second and this project. Another project's period
    // that shares the second (possible in a merged foreign file) is never touched.
    const auto start = static_cast<std::int32_t>(row->data(StartDate, kStartRole).toLongLong());
    return FindActivePeriod(m_app.Store(), m_strProject.toStdString(), start);
}

void CTimeRecordsDlg::OnViewNotes() {
    const QList<QTreeWidgetItem*> selected = m_ui->recordList->selectedItems();
    if (selected.isEmpty())
        return;
    QTreeWidgetItem* row = selected.first();
    CDoneTask* period = PeriodOf(row);
    if (period == nullptr)
        return;
    CNotesDlg notes(m_app, row->text(StartDate) + QLatin1Char(' ') + row->text(EndTime), this);
    notes.SetNotes(QString::fromStdString(period->GetNotes()));
    if (notes.exec() != QDialog::Accepted)
        return;
    period->SetNotes(notes.GetNotes().toStdString());
    row->setText(Notes, notes.GetNotes());
    m_app.SaveData();
}

void CTimeRecordsDlg::OnDeletePeriod() {
    // The row with the selection mark, which it keeps when the selection is cleared.
    QTreeWidgetItem* row = m_ui->recordList->currentItem();
    if (row == nullptr)
        return;
    CDeletePeriodDlg dlg(this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    bool removed = false;
    if (CDoneTask* period = PeriodOf(row))
        removed = m_editor->Apply(
            m_editor->PlanDelete(*period, dlg.GetMethod() == CDeletePeriodDlg::Permanent));
    if (removed)
        m_prompts.Ask(tr("Success").toStdString(),
                      tr("The time period was successfully removed.").toStdString(),
                      MessageIcon::Information, MessageButtons::Ok);
    else
        m_prompts.Ask(tr("Error").toStdString(),
                      tr("There was an error deleting the time period.").toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
    m_app.SaveData();
    FillRecords();
}

void CTimeRecordsDlg::OnRestore() {
    const auto restored =
        static_cast<int>(RestoreDeletedPeriods(m_app.Store(), m_strProject.toStdString()));
    if (restored == 0)
        return;
    m_app.SaveData();
    FillRecords();
    m_prompts.Ask(tr("Restore Complete").toStdString(),
                  tr("Restored %1 time periods").arg(restored).toStdString(),
                  MessageIcon::Information, MessageButtons::Ok);
}

void CTimeRecordsDlg::OnStatus() {
    CStatusDlg status(m_app, m_strProject, this);
    if (m_hooks.reporting) {
        status.SetReportingAvailable(true);
        connect(&status, &CStatusDlg::reportingRequested, this,
                [this, &status] { m_hooks.reporting(&status); });
    }
    status.exec();
}

bool CTimeRecordsDlg::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_ui->recordList && event->type() == QEvent::KeyPress) {
        const int key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_Return || key == Qt::Key_Enter) &&
            m_ui->recordList->currentItem() != nullptr) {
            OnEditPeriod();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CTimeRecordsDlg::ShowContextMenu(const QPoint& at) {
    const bool onRow = m_ui->recordList->itemAt(at) != nullptr;
    QMenu menu(this);
    QAction* edit = menu.addAction(tr("&Edit Period..."), this, &CTimeRecordsDlg::OnEditPeriod);
    QAction* split = menu.addAction(tr("S&plit Period..."), this, &CTimeRecordsDlg::OnSplitPeriod);
    QAction* notes = menu.addAction(tr("&View Notes..."), this, &CTimeRecordsDlg::OnViewNotes);
    QAction* remove =
        menu.addAction(tr("&Delete Period..."), this, &CTimeRecordsDlg::OnDeletePeriod);
    for (QAction* action : {edit, split, notes, remove})
        action->setEnabled(onRow);
    menu.addSeparator();
    menu.addAction(tr("&Add Period..."), this, &CTimeRecordsDlg::OnAddPeriod);
    QAction* undo = menu.addAction(tr("&Undo"), this, &CTimeRecordsDlg::OnUndo);
    undo->setShortcut(QKeySequence::Undo);
    undo->setEnabled(m_editor->LastCorrection() != nullptr);
    menu.exec(m_ui->recordList->viewport()->mapToGlobal(at));
}

CDoneTask* CTimeRecordsDlg::SelectedPeriod() const {
    const QList<QTreeWidgetItem*> selected = m_ui->recordList->selectedItems();
    const QTreeWidgetItem* row =
        selected.isEmpty() ? m_ui->recordList->currentItem() : selected.first();
    return row == nullptr ? nullptr : PeriodOf(row);
}

void CTimeRecordsDlg::SelectStart(std::int32_t start) {
    for (int i = 0; i < m_ui->recordList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = m_ui->recordList->topLevelItem(i);
        if (row->data(StartDate, kStartRole).toLongLong() == start) {
            m_ui->recordList->setCurrentItem(row);
            m_ui->recordList->scrollToItem(row);
            return;
        }
    }
}

void CTimeRecordsDlg::ApplyPlan(const CorrectionPlan& plan, std::int32_t select) {
    if (!m_editor->Apply(plan)) {
        // The store changed while the dialog was open (a merge from another window).
        m_prompts.Ask(
            tr("Error").toStdString(),
            tr("The correction could not be made: the period was changed meanwhile.").toStdString(),
            MessageIcon::Exclamation, MessageButtons::Ok);
        FillRecords();
        return;
    }
    if (!plan.correction.IsEmpty())
        m_app.SaveData();
    FillRecords();
    SelectStart(select);
}

void CTimeRecordsDlg::EditPeriod(const CDoneTask* period) {
    std::optional<CDoneTask> next = period ? std::optional<CDoneTask>(*period) : std::nullopt;
    bool adding = period == nullptr;
    for (;;) {
        // The period is looked up again each time: the store may have been rebuilt.
        const CDoneTask* current = nullptr;
        if (!adding) {
            for (const auto& p : m_app.Store().DoneTasks())
                if (p->GetStart() == next->GetStart() && p->GetProject() == next->GetProject())
                    current = p.get();
            if (current == nullptr)
                return;
        }
        CEditPeriodDlg dlg(m_app.Store(), *m_editor, m_prompts, m_app.GetClock().Now(), current,
                           m_strProject, this);
        if (dlg.exec() == QDialog::Accepted) {
            const CorrectionPlan& plan = dlg.Plan();
            std::int32_t select = current != nullptr ? current->GetStart() : 0;
            if (!plan.correction.IsEmpty())
                select = plan.correction.Changes().front().after->GetStart();
            ApplyPlan(plan, select);
            return;
        }
        if (!dlg.PeriodToOpen())
            return;
        next = dlg.PeriodToOpen();
        adding = false;
        SelectStart(next->GetStart());
    }
}

void CTimeRecordsDlg::OnEditPeriod() {
    if (const CDoneTask* period = SelectedPeriod())
        EditPeriod(period);
}

void CTimeRecordsDlg::OnAddPeriod() {
    EditPeriod(nullptr);
}

void CTimeRecordsDlg::OnSplitPeriod() {
    const CDoneTask* period = SelectedPeriod();
    if (period == nullptr)
        return;
    CSplitPeriodDlg dlg(m_app.Store(), *m_editor, m_prompts, m_app.GetClock().Now(), *period, this);
    if (dlg.exec() == QDialog::Accepted) {
        ApplyPlan(dlg.Plan(), period->GetStart());
        return;
    }
    if (const std::optional<CDoneTask>& other = dlg.PeriodToOpen()) {
        const CDoneTask open = *other;
        SelectStart(open.GetStart());
        EditPeriod(&open);
    }
}

void CTimeRecordsDlg::OnUndo() {
    if (m_editor->LastCorrection() == nullptr)
        return;
    if (!m_editor->Undo()) {
        m_prompts.Ask(tr("Undo").toStdString(),
                      tr("The last correction can no longer be undone: its periods were changed "
                         "since.")
                          .toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
        FillRecords();
        return;
    }
    m_app.SaveData();
    FillRecords();
}
