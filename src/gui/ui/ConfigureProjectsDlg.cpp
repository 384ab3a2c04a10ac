#include "gui/ui/ConfigureProjectsDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/data/StoreEdits.h"
#include "core/platform/Clock.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/TaskTotals.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/ProjectDlg.h"
#include "gui/ui/ProjectNameDisplay.h"
#include "gui/ui/ProjectNameOrder.h"
#include "ui_ConfigureProjectsDlg.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>

namespace {

constexpr int kHelpContext = 3;
constexpr int kTimerMs = 50;

QString NoSelection() {
    return QCoreApplication::translate("CConfigureProjectsDlg", "*No Selection*");
}

} // namespace

CConfigureProjectsDlg::CConfigureProjectsDlg(CPunchwellApp& app, Prompts& prompts, Hooks hooks,
                                             QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::ConfigureProjectsDlg>()), m_app(app),
      m_prompts(prompts), m_hooks(std::move(hooks)) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    for (const auto& task : m_app.Store().Tasks())
        InsertProjectName(m_ui->projectList, QString::fromStdString(task->GetName()));
    FitProjectNames(m_ui->projectList);

    connect(m_ui->addButton, &QPushButton::clicked, this, &CConfigureProjectsDlg::OnAdd);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CConfigureProjectsDlg::OnDelete);
    connect(m_ui->editButton, &QPushButton::clicked, this, &CConfigureProjectsDlg::OnEdit);
    connect(m_ui->viewRecordsButton, &QPushButton::clicked, this,
            &CConfigureProjectsDlg::OnViewRecords);
    connect(m_ui->optionsButton, &QPushButton::clicked, this, &CConfigureProjectsDlg::OnOptions);
    connect(m_ui->closeButton, &QPushButton::clicked, this, &CConfigureProjectsDlg::accept);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
    connect(m_ui->projectList, &QListWidget::itemSelectionChanged, this,
            &CConfigureProjectsDlg::RefreshStatus);
    connect(m_ui->projectList, &QListWidget::itemDoubleClicked, this,
            &CConfigureProjectsDlg::OnViewRecords);
    m_ui->viewRecordsButton->setEnabled(static_cast<bool>(m_hooks.viewRecords));
    m_ui->optionsButton->setEnabled(static_cast<bool>(m_hooks.options));

    RefreshStatus();
    m_bModified = false;
    // The status lines follow the running clock, recomputed once per new second.
    m_lastSecond = m_app.GetClock().Now();
    connect(&m_timer, &QTimer::timeout, this, &CConfigureProjectsDlg::OnTimer);
    m_timer.start(kTimerMs);
}

CConfigureProjectsDlg::~CConfigureProjectsDlg() = default;

QString CConfigureProjectsDlg::SelectedName() const {
    const QList<QListWidgetItem*> selected = m_ui->projectList->selectedItems();
    return selected.isEmpty() ? QString() : selected.first()->text();
}

void CConfigureProjectsDlg::OnTimer() {
    const std::int64_t now = m_app.GetClock().Now();
    if (now != m_lastSecond) {
        m_lastSecond = now;
        RefreshStatus();
    }
}

void CConfigureProjectsDlg::RefreshStatus() {
    const QList<QListWidgetItem*> selected = m_ui->projectList->selectedItems();
    if (selected.isEmpty()) {
        m_ui->todayValue->setText(NoSelection());
        m_ui->totalValue->setText(NoSelection());
        return;
    }
    const std::string name = selected.first()->text().toStdString();
    if (m_app.Store().FindTask(name) == nullptr) {
        delete selected.first();
        return;
    }
    const CTaskTotals totals(m_app.Store(), name);
    const std::int64_t now = m_app.GetClock().Now();
    m_ui->totalValue->setText(
        QString::fromStdString(duration::FormatDuration(totals.GetTotalTime())));
    m_ui->todayValue->setText(QString::fromStdString(duration::FormatDuration(
        totals.GetPeriodTime(PeriodKind::Today, now, m_app.GetOptions().m_wWeekStart))));
}

void CConfigureProjectsDlg::OnAdd() {
    CProjectDlg dlg(m_app.Store(), m_prompts, CProjectDlg::AddMode, this);
    if (dlg.exec() != QDialog::Accepted)
        return;
    auto task = std::make_unique<CTask>();
    dlg.ApplyTo(*task);
    if (!m_app.Store().AddTask(task)) {
        m_prompts.Ask(tr("Task Exists").toStdString(),
                      tr("The task you have attempted to create already exists.").toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    InsertProjectName(m_ui->projectList, dlg.GetName());
    m_bModified = true;
}

void CConfigureProjectsDlg::OnDelete() {
    const QList<QListWidgetItem*> selected = m_ui->projectList->selectedItems();
    if (selected.isEmpty())
        return;
    QListWidgetItem* item = selected.first();
    const std::string name = item->text().toStdString();
    if (m_app.Store().FindTask(name) == nullptr)
        return;
    if (m_hooks.currentProject) {
        if (const auto current = m_hooks.currentProject(); current && *current == name) {
            m_prompts.Ask(tr("Project in Use").toStdString(),
                          tr("You are currently checked-in to this project. You must check out "
                             "before you delete it.")
                              .toStdString(),
                          MessageIcon::Information, MessageButtons::Ok);
            return;
        }
    }
    const MessageAnswer answer = m_prompts.Ask(
        tr("Delete Associated Time Periods?").toStdString(),
        tr("Do you also want to delete the time periods associated with this task?").toStdString(),
        MessageIcon::Question, MessageButtons::YesNoCancel, true, MessageAnswer::Cancel);
    if (answer == MessageAnswer::Cancel)
        return;
    DeleteProject(m_app.Store(), name, answer == MessageAnswer::Yes);
    delete item;
    m_bModified = true;
}

void CConfigureProjectsDlg::OnEdit() {
    const QString oldName = SelectedName();
    if (oldName.isEmpty())
        return;
    CTask* task = m_app.Store().FindTask(oldName.toStdString());
    if (task == nullptr)
        return;
    CProjectDlg dlg(m_app.Store(), m_prompts, CProjectDlg::EditMode, this);
    dlg.SetValues(*task);
    if (dlg.exec() != QDialog::Accepted)
        return;
    const std::string old = task->GetName();
    dlg.ApplyTo(*task);
    RenameProjectPeriods(m_app.Store(), old, *task);
    delete m_ui->projectList->selectedItems().first();
    const QString newName = QString::fromStdString(task->GetName());
    InsertProjectName(m_ui->projectList, newName);
    for (int row = 0; row < m_ui->projectList->count(); ++row) {
        if (m_ui->projectList->item(row)->text().compare(newName, Qt::CaseInsensitive) == 0) {
            m_ui->projectList->setCurrentRow(row);
            break;
        }
    }
    m_bModified = true;
}

void CConfigureProjectsDlg::OnViewRecords() {
    const QString name = SelectedName();
    if (name.isEmpty() || !m_hooks.viewRecords)
        return;
    CTask* task = m_app.Store().FindTask(name.toStdString());
    if (task == nullptr) {
        delete m_ui->projectList->selectedItems().first();
        return;
    }
    m_hooks.viewRecords(*task);
}

void CConfigureProjectsDlg::OnOptions() {
    if (m_hooks.options)
        m_hooks.options();
}

void CConfigureProjectsDlg::done(int result) {
    // Close, Escape and the close box all end here: whatever changed is saved once.
    if (m_bModified) {
        m_app.SaveData();
        m_bModified = false;
    }
    m_timer.stop();
    QDialog::done(result);
}

void CConfigureProjectsDlg::contextMenuEvent(QContextMenuEvent* event) {
    const bool selected = !SelectedName().isEmpty();
    QMenu menu(this);
    menu.setObjectName(QStringLiteral("configureContextMenu"));
    QAction* add = menu.addAction(tr("&Add Project..."), this, &CConfigureProjectsDlg::OnAdd);
    QAction* remove =
        menu.addAction(tr("&Delete Selected Project"), this, &CConfigureProjectsDlg::OnDelete);
    QAction* edit =
        menu.addAction(tr("&Edit Selected Project..."), this, &CConfigureProjectsDlg::OnEdit);
    menu.addSeparator();
    QAction* options = menu.addAction(tr("&Options..."), this, &CConfigureProjectsDlg::OnOptions);
    add->setObjectName(QStringLiteral("actionAddProject"));
    remove->setObjectName(QStringLiteral("actionDeleteProject"));
    edit->setObjectName(QStringLiteral("actionEditProject"));
    options->setObjectName(QStringLiteral("actionOptions"));
    remove->setEnabled(selected);
    edit->setEnabled(selected);
    options->setEnabled(static_cast<bool>(m_hooks.options));
    const QPoint where =
        event->reason() == QContextMenuEvent::Keyboard ? QCursor::pos() : event->globalPos();
    menu.exec(where);
}
