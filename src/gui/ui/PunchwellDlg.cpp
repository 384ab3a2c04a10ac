#include "gui/ui/PunchwellDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/platform/Clock.h"
#include "core/timing/DurationFormat.h"
#include "gui/reports/ReportActions.h"
#include "gui/ui/AboutDlg.h"
#include "gui/ui/ConfigureProjectsDlg.h"
#include "gui/ui/DialogFitter.h"
#include "gui/ui/EditPeriodDlg.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/IdleController.h"
#include "gui/ui/ModalToOwner.h"
#include "gui/ui/OptionsDlg.h"
#include "gui/ui/SystemTray.h"
#include "gui/ui/TimeRecordsDlg.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QShortcut>
#include <QShortcutEvent>
#include <QTimer>
#include <QVBoxLayout>
#include <QWindow>

#ifdef Q_OS_WIN
#include <windows.h>
#endif

namespace {

// The system menu's About item.
constexpr unsigned kSystemMenuAbout = 0x0010;

QIcon IconSet(const QString& stem) {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/%1-%2.png").arg(stem).arg(size), QSize(size, size));
    return icon;
}

QString NewProjectEntry() {
    return CPunchwellDlg::tr("New Project...");
}

} // namespace

CPunchwellDlg::CPunchwellDlg(CPunchwellSession& session, Join join, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_session(session), m_app(session.App()), m_hIcon(IconSet(QStringLiteral("punchwell"))),
      m_hLockedIcon(IconSet(QStringLiteral("punchwell-locked"))) {
    setObjectName(QStringLiteral("PunchwellDlg"));
    setWindowTitle(tr("Punchwell"));
    setWindowIcon(m_hIcon);

    CreateMenus();
    CreateContextMenu();
    CreateControls();
    CreateShortcuts();

    for (auto [action, command] :
         {std::pair{m_actionLoadData, &CPunchwellSession::LoadData},
          std::pair{m_actionSaveData, &CPunchwellSession::SaveDataAs},
          std::pair{m_actionRestoreBackup, &CPunchwellSession::RestoreBackup},
          std::pair{m_actionExportData, &CPunchwellSession::ExportData}}) {
        connect(action, &QAction::triggered, this, [this, command] { (m_session.*command)(); });
        action->setEnabled(true);
    }

    m_clock.setObjectName(QStringLiteral("clockTimer"));
    m_clock.setInterval(kClockIntervalMs);
    connect(&m_clock, &QTimer::timeout, this, &CPunchwellDlg::OnTimer);
    if (join == Join::Now)
        Attach();
}

void CPunchwellDlg::Attach() {
    if (m_attached)
        return;
    m_attached = true;
    m_idle = new CIdleController(m_session, *this);
    CreateTray();

    // Shortcuts also reach this window while the program's own dialogs are open.
    qApp->installEventFilter(this);

    m_session.SetDesktop(*this);
    m_listener =
        m_session.Subscribe([this](const SessionChanges& changes) { OnSessionChanged(changes); });
    // The tray icon answers clicks while dialogs that leave it in place are open.
    m_modalToOwner = new CModalToOwner(this);
    qApp->installEventFilter(m_modalToOwner);
    // Every dialog shows its whole caption.
    m_dialogFitter = new CDialogFitter(this);
    qApp->installEventFilter(m_dialogFitter);
}

CPunchwellDlg::~CPunchwellDlg() {
    if (!m_attached)
        return;
    qApp->removeEventFilter(m_dialogFitter);
    qApp->removeEventFilter(m_modalToOwner);
    m_session.Unsubscribe(m_listener);
    m_session.ResetDesktop();
    qApp->removeEventFilter(this);
}

bool CPunchwellDlg::OtherWindowOpen() const {
    const QWidget* modal = QApplication::activeModalWidget();
    return modal != nullptr && modal != this;
}

QAction* CPunchwellDlg::AddAction(QMenu* menu, const QString& text, const char* name,
                                  bool enabled) {
    auto* action = new QAction(text, this);
    action->setObjectName(QLatin1String(name));
    action->setEnabled(enabled);
    if (menu != nullptr)
        menu->addAction(action);
    return action;
}

void CPunchwellDlg::CreateMenus() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));

    // Commands whose dialogs are not in the program yet stay disabled; enabling the action
    // enables every menu item, button and tray item that gives the same command.
    m_menuFile = m_menuBar->addMenu(tr("&File"));
    m_menuFile->setObjectName(QStringLiteral("menuFile"));
    m_actionLoadData = AddAction(m_menuFile, tr("&Load Data...\tF5"), "actionLoadData", false);
    m_actionSaveData = AddAction(m_menuFile, tr("&Save Data...\tF7"), "actionSaveData", false);
    m_actionRestoreBackup =
        AddAction(m_menuFile, tr("&Restore From Backup..."), "actionRestoreBackup", false);
    m_menuFile->addSeparator();
    m_actionExportData =
        AddAction(m_menuFile, tr("Export Data as Text...\tShift+F7"), "actionExportData", false);
    m_menuFile->addSeparator();
    m_actionOptions = AddAction(m_menuFile, tr("Options...\tCtrl+O"), "actionOptions");
    connect(m_actionOptions, &QAction::triggered, this, [this] {
        // Put back only what this command took away (Ctrl+O may come from a dialog that
        // removed the icon itself).
        const bool wasHidden = m_tray->IsHidden();
        ShowTrayIcon(false);
        OnOptions();
        if (!wasHidden)
            ShowTrayIcon(true);
    });
    m_actionLock = AddAction(m_menuFile, tr("Lock &Program\tCtrl+L"), "actionLock");
    connect(m_actionLock, &QAction::triggered, this, [this] { m_session.LockCommand(); });
    m_menuFile->addSeparator();
    m_actionCloseWindow = AddAction(m_menuFile, tr("&Close Window\tAlt+F4"), "actionCloseWindow");
    connect(m_actionCloseWindow, &QAction::triggered, this, &QWidget::hide);
    m_actionExit = AddAction(m_menuFile, tr("E&xit"), "actionExit");
    m_actionExit->setMenuRole(QAction::QuitRole);
    connect(m_actionExit, &QAction::triggered, this, &CPunchwellDlg::OnExit);

    m_menuTiming = m_menuBar->addMenu(tr("&Timing"));
    m_menuTiming->setObjectName(QStringLiteral("menuTiming"));
    m_actionCheckInOut = AddAction(m_menuTiming, tr("&Check In\tAlt+C"), "actionCheckInOut");
    connect(m_actionCheckInOut, &QAction::triggered, this, &CPunchwellDlg::OnCheckInOut);
    m_actionSwitch = AddAction(m_menuTiming, tr("Switch...\tCtrl+S"), "actionSwitch");
    connect(m_actionSwitch, &QAction::triggered, this, &CPunchwellDlg::OnSwitch);
    // A check-in made late: the running period's start moves back to when the work began.
    m_actionChangeStart = AddAction(m_menuTiming, tr("Change Start &Time..."), "actionChangeStart");
    m_actionChangeStart->setStatusTip(tr("Moves the start of the running period"));
    connect(m_actionChangeStart, &QAction::triggered, this, &CPunchwellDlg::OnChangeStart);

    m_menuReports = m_menuBar->addMenu(tr("&Reports"));
    m_menuReports->setObjectName(QStringLiteral("menuReports"));
    QMenu* all = m_menuReports->addMenu(tr("&All Projects"));
    all->setObjectName(QStringLiteral("menuAllProjects"));
    QMenu* single = m_menuReports->addMenu(tr("Single Project"));
    single->setObjectName(QStringLiteral("menuSingleProject"));
    const char* const periods[][3] = {
        {QT_TR_NOOP("To&day"), "actionReportAllToday", "actionReportSingleToday"},
        {QT_TR_NOOP("This &Week"), "actionReportAllWeek", "actionReportSingleWeek"},
        {QT_TR_NOOP("This &Month"), "actionReportAllMonth", "actionReportSingleMonth"},
        {QT_TR_NOOP("This &Year"), "actionReportAllYear", "actionReportSingleYear"},
        {QT_TR_NOOP("&Total"), "actionReportAllTotal", "actionReportSingleTotal"}};
    const ReportPeriod kinds[] = {PeriodToday, PeriodWeek, PeriodMonth, PeriodYear, PeriodTotal};
    for (std::size_t i = 0; i < std::size(periods); ++i) {
        const ReportPeriod kind = kinds[i];
        connect(AddAction(all, tr(periods[i][0]), periods[i][1]), &QAction::triggered, this,
                [this, kind] { Reports().StandardReportAllProjects(kind); });
        connect(AddAction(single, tr(periods[i][0]), periods[i][2]), &QAction::triggered, this,
                [this, kind] { Reports().StandardReportSingleProject(kind); });
    }
    m_actionCustomReport =
        AddAction(m_menuReports, tr("Custom Report...\tF2"), "actionCustomReport");
    connect(m_actionCustomReport, &QAction::triggered, this,
            [this] { Reports().CustomReport(ReportCommand::CustomReport); });
    m_menuReports->addSeparator();
    m_actionViewSavedReport =
        AddAction(m_menuReports, tr("View Saved Report...\tCtrl+Shift+V"), "actionViewSavedReport");
    connect(m_actionViewSavedReport, &QAction::triggered, this,
            [this] { Reports().ViewSavedReport(); });
    m_actionPrintSavedReport =
        AddAction(m_menuReports, tr("Print Saved Report...\tCtrl+P"), "actionPrintSavedReport");
    connect(m_actionPrintSavedReport, &QAction::triggered, this,
            [this] { Reports().PrintSavedReport(); });

    m_menuProjects = m_menuBar->addMenu(tr("&Projects"));
    m_menuProjects->setObjectName(QStringLiteral("menuProjects"));
    m_actionAddProject = AddAction(m_menuProjects, tr("&Add...\tCtrl+A"), "actionAddProject");
    connect(m_actionAddProject, &QAction::triggered, this, &CPunchwellDlg::OnAddProject);
    m_actionViewRecords =
        AddAction(m_menuProjects, tr("View Records...\tCtrl+R"), "actionViewRecords");
    connect(m_actionViewRecords, &QAction::triggered, this, &CPunchwellDlg::OnViewRecords);
    m_menuProjects->addSeparator();
    m_actionConfigure = AddAction(m_menuProjects, tr("Configure...\tF6"), "actionConfigure");
    connect(m_actionConfigure, &QAction::triggered, this, &CPunchwellDlg::OnConfigure);

    m_menuHelp = m_menuBar->addMenu(tr("&Help"));
    m_menuHelp->setObjectName(QStringLiteral("menuHelp"));
    m_actionHelpContents = AddAction(m_menuHelp, tr("&Contents\tF1"), "actionHelpContents");
    connect(m_actionHelpContents, &QAction::triggered, this, [] { CHelpWindow::ShowContents(); });
    m_actionHelpIndex = AddAction(m_menuHelp, tr("&Index..."), "actionHelpIndex");
    connect(m_actionHelpIndex, &QAction::triggered, this, [] { CHelpWindow::ShowIndex(); });
    m_menuHelp->addSeparator();
    m_actionAbout = AddAction(m_menuHelp, tr("&About..."), "actionAbout");
    m_actionAbout->setMenuRole(QAction::AboutRole);
    connect(m_actionAbout, &QAction::triggered, this, &CPunchwellDlg::OnAbout);

    // Commands of the buttons that no menu item carries.
    m_actionReporting = AddAction(nullptr, tr("&Reporting..."), "actionReporting");
    // The button and the tray take the icon away until the dialog and its report are done.
    connect(m_actionReporting, &QAction::triggered, this,
            [this] { Reports().ReportsDialog(true); });
    m_actionStandardReport = AddAction(nullptr, tr("Standard &Report..."), "actionStandardReport");
    connect(m_actionStandardReport, &QAction::triggered, this,
            [this] { Reports().ReportsDialog(false); });
}

void CPunchwellDlg::CreateContextMenu() {
    m_contextMenu = new QMenu(this);
    m_contextMenu->setObjectName(QStringLiteral("contextMenu"));
    m_actionContextCheckInOut = AddAction(m_contextMenu, tr("Check-In"), "actionContextCheckInOut");
    connect(m_actionContextCheckInOut, &QAction::triggered, this, &CPunchwellDlg::OnCheckInOut);
    m_actionContextSwitch = AddAction(m_contextMenu, tr("&Switch..."), "actionContextSwitch");
    connect(m_actionContextSwitch, &QAction::triggered, this, &CPunchwellDlg::OnSwitch);
    m_contextMenu->addSeparator();
    // Each follows the enabled state of the command it gives.
    auto follow = [this](const QString& text, const char* name, QAction* source) {
        QAction* item = AddAction(m_contextMenu, text, name, source->isEnabled());
        connect(source, &QAction::changed, item,
                [item, source] { item->setEnabled(source->isEnabled()); });
        return item;
    };
    connect(
        follow(tr("Standard &Report..."), "actionContextStandardReport", m_actionStandardReport),
        &QAction::triggered, m_actionStandardReport, &QAction::trigger);
    // From here a cancelled custom report says so ("Generation Failure").
    connect(follow(tr("Custom R&eport..."), "actionContextCustomReport", m_actionCustomReport),
            &QAction::triggered, this,
            [this] { Reports().CustomReport(ReportCommand::CustomFromContextMenu); });
    m_contextMenu->addSeparator();
    connect(follow(tr("Con&figure..."), "actionContextConfigure", m_actionConfigure),
            &QAction::triggered, m_actionConfigure, &QAction::trigger);
}

void CPunchwellDlg::CreateControls() {
    auto* group = new QGroupBox(tr("&Current Project"), this);
    group->setObjectName(QStringLiteral("currentProjectGroup"));
    // The title's Alt+C would make the Check In/Out button's Alt+C ambiguous, and then it
    // would only move the focus; Alt+C checks in and out. Shortcut ids run one way from
    // zero, and a release only takes the group's own grabs, so releasing every id up to a
    // fresh grab's takes the title's and the probe's.
    const int probe = group->grabShortcut(QKeySequence(Qt::ALT | Qt::Key_C));
    const int low = probe < 0 ? probe : 1;
    const int high = probe < 0 ? -1 : probe;
    for (int id = low; id <= high; ++id)
        group->releaseShortcut(id);

    m_cboProjects = new QComboBox(group);
    m_cboProjects->setObjectName(QStringLiteral("projectCombo"));
    m_cboProjects->setToolTip(tr("Use this box to select the project you want to check into"));
    m_cboProjects->setMaxVisibleItems(12);
    m_cboProjects->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_cboProjects->setMinimumContentsLength(20);
    connect(m_cboProjects, &QComboBox::currentIndexChanged, this,
            &CPunchwellDlg::OnProjectSelChange);

    m_elapsedLabel = new QLabel(group);
    m_elapsedLabel->setObjectName(QStringLiteral("elapsedLabel"));
    m_elapsedLabel->setAlignment(Qt::AlignCenter);
    m_elapsedLabel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    auto* inCaption = new QLabel(tr("Checked In At:"), group);
    inCaption->setObjectName(QStringLiteral("checkedInCaption"));
    m_checkedInLabel = new QLabel(group);
    m_checkedInLabel->setObjectName(QStringLiteral("checkedInLabel"));
    auto* outCaption = new QLabel(tr("Checked Out At:"), group);
    outCaption->setObjectName(QStringLiteral("checkedOutCaption"));
    m_checkedOutLabel = new QLabel(group);
    m_checkedOutLabel->setObjectName(QStringLiteral("checkedOutLabel"));

    m_btnCheckInOut = new QPushButton(tr("&Check In/Out"), group);
    m_btnCheckInOut->setObjectName(QStringLiteral("checkInOutButton"));
    m_btnCheckInOut->setDefault(true);
    m_btnCheckInOut->setToolTip(tr("Checks you in or out of the project selected in the "
                                   "\"Current Project\" list box"));
    connect(m_btnCheckInOut, &QPushButton::clicked, this, &CPunchwellDlg::OnCheckInOut);
    m_btnSwitch = new QPushButton(tr("&Switch..."), group);
    m_btnSwitch->setObjectName(QStringLiteral("switchButton"));
    m_btnSwitch->setAutoDefault(false);
    m_btnSwitch->setToolTip(
        tr("Switches to a new project while you are still checked into an old one"));
    connect(m_btnSwitch, &QPushButton::clicked, this, &CPunchwellDlg::OnSwitch);

    auto* grid = new QGridLayout(group);
    grid->addWidget(m_cboProjects, 0, 0, 1, 2);
    grid->addWidget(m_elapsedLabel, 1, 0, 1, 2);
    grid->addWidget(inCaption, 2, 0);
    grid->addWidget(m_checkedInLabel, 3, 0);
    grid->addWidget(m_btnCheckInOut, 2, 1, 2, 1, Qt::AlignVCenter);
    grid->addWidget(outCaption, 4, 0);
    grid->addWidget(m_checkedOutLabel, 5, 0);
    grid->addWidget(m_btnSwitch, 4, 1, 2, 1, Qt::AlignVCenter);
    grid->setColumnStretch(0, 1);
    grid->setVerticalSpacing(3);

    auto button = [this](const QString& text, const char* name, const QString& tip) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(QLatin1String(name));
        b->setAutoDefault(false);
        b->setToolTip(tip);
        return b;
    };
    m_btnReporting = button(tr("&Reporting..."), "reportingButton",
                            tr("Allows you to generate Punchwell usage reports"));
    m_btnConfigure = button(tr("Con&figure..."), "configureButton",
                            tr("Allows you to add/remove projects, and change program options"));
    // Alt+F opens the File menu, as in every desktop program; the button's F stays
    // underlined and F6 gives the same command.
    m_btnConfigure->setShortcut(QKeySequence());
    // Alt+R opens the Reporting dialog, as the button shows: the key stays the menu bar's
    // alone (two owners would make the first press only move the focus), and the menu bar
    // hands it on to the button (see eventFilter). The Reports menu is still reached with
    // Alt then R, or F10.
    m_btnReporting->setShortcut(QKeySequence());
    m_menuBar->installEventFilter(this);
    m_btnExit = button(tr("E&xit"), "exitButton", tr("Quits the program"));
    connect(m_btnExit, &QPushButton::clicked, this, &CPunchwellDlg::OnExit);
    // The two buttons give commands that have their own actions.
    for (auto [b, source] : {std::pair{m_btnReporting, m_actionReporting},
                             std::pair{m_btnConfigure, m_actionConfigure}}) {
        b->setEnabled(source->isEnabled());
        connect(source, &QAction::changed, b, [b, source] { b->setEnabled(source->isEnabled()); });
        connect(b, &QPushButton::clicked, source, &QAction::trigger);
    }

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(m_btnReporting);
    buttons->addWidget(m_btnConfigure);
    buttons->addStretch();
    buttons->addWidget(m_btnExit);

    auto* layout = new QVBoxLayout(this);
    layout->setMenuBar(m_menuBar);
    layout->addWidget(group);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);

    // The placeholders a person never sees, as wide as the longest texts, keep the window
    // from changing its size while it runs.
    const QFontMetrics metrics = m_elapsedLabel->fontMetrics();
    m_elapsedLabel->setMinimumWidth(
        metrics.horizontalAdvance(QStringLiteral("888 hours, 77 minutes, 55 seconds")) + 16);
    for (QLabel* label : {m_checkedInLabel, m_checkedOutLabel})
        label->setMinimumWidth(metrics.horizontalAdvance(QStringLiteral("September 29, 88:88:88")));
}

void CPunchwellDlg::CreateShortcuts() {
    // The main window's shortcut table. Ctrl+S switches also while the menu item is grayed.
    const auto gated = [](QAction* action) { return [action] { action->trigger(); }; };
    m_shortcuts = {
        {QKeySequence(Qt::CTRL | Qt::Key_S), nullptr, [this] { OnSwitch(); }},
        {QKeySequence(Qt::Key_F6), m_actionConfigure, gated(m_actionConfigure)},
        {QKeySequence(Qt::CTRL | Qt::Key_A), m_actionAddProject, gated(m_actionAddProject)},
        {QKeySequence(Qt::CTRL | Qt::Key_R), m_actionViewRecords, gated(m_actionViewRecords)},
        {QKeySequence(Qt::Key_F5), m_actionLoadData, gated(m_actionLoadData)},
        {QKeySequence(Qt::Key_F7), m_actionSaveData, gated(m_actionSaveData)},
        {QKeySequence(Qt::SHIFT | Qt::Key_F7), m_actionExportData, gated(m_actionExportData)},
        {QKeySequence(Qt::CTRL | Qt::Key_O), m_actionOptions, gated(m_actionOptions)},
        {QKeySequence(Qt::CTRL | Qt::Key_L), m_actionLock, gated(m_actionLock)},
        {QKeySequence(Qt::Key_F2), m_actionCustomReport, gated(m_actionCustomReport)},
        {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_V), m_actionViewSavedReport,
         gated(m_actionViewSavedReport)},
        {QKeySequence(Qt::CTRL | Qt::Key_P), m_actionPrintSavedReport,
         gated(m_actionPrintSavedReport)},
    };
    for (const Shortcut& entry : m_shortcuts) {
        auto* shortcut = new QShortcut(entry.key, this);
        const QKeySequence key = entry.key;
        connect(shortcut, &QShortcut::activated, this, [this, key] { DispatchShortcut(key); });
    }
}

bool CPunchwellDlg::DispatchShortcut(const QKeySequence& key) {
    // Locked (or about to relock, or asking for the password): no command at all.
    if (m_session.RefusesCommands())
        return false;
    for (const Shortcut& entry : m_shortcuts) {
        if (entry.key != key)
            continue;
        if (entry.gate != nullptr && !entry.gate->isEnabled())
            return false;
        entry.run();
        return true;
    }
    return false;
}

bool CPunchwellDlg::eventFilter(QObject* watched, QEvent* event) {
    // The locked window may be put on screen by the window manager (restored from the task
    // bar, or never minimised at all): it goes again before anything of it is drawn.
    if (event->type() == QEvent::Expose && watched == windowHandle() &&
        windowHandle()->isExposed() && !isMinimized() && m_session.State().locked) {
        HideAndAskForUnlock();
        return true;
    }
    if (watched == m_menuBar && event->type() == QEvent::Shortcut &&
        static_cast<QShortcutEvent*>(event)->key() == QKeySequence(Qt::ALT | Qt::Key_R)) {
        if (m_btnReporting->isEnabled())
            m_btnReporting->animateClick();
        return true;
    }
    // While one of the program's dialogs or message boxes is open, Qt keeps this window's
    // shortcuts from firing; offer the key to them here. Not while a check-in operation
    // waits for the person (the Notes dialog, a project choice for Switch): another
    // check-out or switch then would act on the period that operation holds. The key then
    // goes to the dialog as usual.
    if (event->type() == QEvent::KeyPress && watched->isWidgetType()) {
        QWidget* modal = QApplication::activeModalWidget();
        auto* widget = static_cast<QWidget*>(watched);
        if (modal != nullptr && modal != this && widget->window() == modal &&
            QApplication::activePopupWidget() == nullptr && !m_session.State().busy) {
            const auto* key = static_cast<QKeyEvent*>(event);
            // A key the focused control uses itself (Ctrl+A selecting all of a text box)
            // stays with it: the control claims it as it claims it from shortcuts.
            QKeyEvent claim(QEvent::ShortcutOverride, key->key(), key->modifiers(), key->text());
            claim.ignore();
            QCoreApplication::sendEvent(widget, &claim);
            if (!claim.isAccepted() && !key->isAutoRepeat() &&
                DispatchShortcut(QKeySequence(key->keyCombination())))
                return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void CPunchwellDlg::CreateTray() {
    m_tray = new CSystemTray(this, this);
    m_tray->SetStateSource([this] {
        return CSystemTray::State{m_session.State().checkedIn, m_session.State().locked,
                                  m_session.CanLock()};
    });
    connect(m_tray->m_actionCheckInOut, &QAction::triggered, this,
            &CPunchwellDlg::OnTrayCheckInOut);
    connect(m_tray->m_actionSwitch, &QAction::triggered, this, &CPunchwellDlg::OnTraySwitch);
    connect(m_tray->m_actionShowWindow, &QAction::triggered, this, &CPunchwellDlg::ShowWindow);
    connect(m_tray->m_actionAbout, &QAction::triggered, this, &CPunchwellDlg::OnAbout);
    connect(m_tray->m_actionExit, &QAction::triggered, this, &CPunchwellDlg::OnExit);
    for (auto [item, source] : {std::pair{m_tray->m_actionLock, m_actionLock},
                                std::pair{m_tray->m_actionReporting, m_actionReporting},
                                std::pair{m_tray->m_actionConfigure, m_actionConfigure}}) {
        m_tray->Follow(item, source);
        connect(item, &QAction::triggered, source, &QAction::trigger);
    }
    // From the tray the icon stays while Options is open.
    m_tray->Follow(m_tray->m_actionOptions, m_actionOptions);
    connect(m_tray->m_actionOptions, &QAction::triggered, this, &CPunchwellDlg::OnOptions);
    // The lock's own command unlocks with the password once the lock is in the program.
    connect(m_tray, &CSystemTray::unlockRequested, m_actionLock, &QAction::trigger);
    m_tray->Create(m_hIcon, tr("Punchwell"));
}

void CPunchwellDlg::Initialise() {
    AddSystemMenuItem();
    FillProjectList();
    UpdateState();
    SelectProjectEntry(0);
    // Yes to the first-run question: the person enters the projects straight away.
    if (m_app.IsFirstRun())
        OnConfigure();
    m_session.Start();
    m_clock.start();
}

void CPunchwellDlg::ShowWindow() {
    // Only the unlock brings the window back while the program is locked.
    if (m_session.State().locked)
        return;
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

bool CPunchwellDlg::CheckIn(const QString& name) {
    return m_session.CheckInState().CheckIn(name.toStdString());
}

bool CPunchwellDlg::CheckOut() {
    return m_session.CheckInState().CheckOut();
}

bool CPunchwellDlg::IsCheckedIn() const {
    return m_session.State().checkedIn;
}

CDoneTask* CPunchwellDlg::GetCurrentPeriod() const {
    return m_session.CheckInState().GetCurrentPeriod();
}

QString CPunchwellDlg::GetCurrentProject() const {
    return QString::fromStdString(m_session.State().project);
}

void CPunchwellDlg::FillProjectList() {
    ++m_nFilling;
    m_cboProjects->clear();
    for (const auto& task : m_app.Store().Tasks()) {
        const QString name = QString::fromStdString(task->GetName());
        // The list keeps its width; a long name shows whole as its entry's tooltip.
        m_cboProjects->addItem(name);
        m_cboProjects->setItemData(m_cboProjects->count() - 1, name, Qt::ToolTipRole);
    }
    m_cboProjects->addItem(NewProjectEntry());
    // A freshly filled list has no selection until someone makes one.
    m_cboProjects->setCurrentIndex(-1);
    --m_nFilling;
}

void CPunchwellDlg::SelectProjectEntry(int index) {
    ++m_nFilling;
    m_cboProjects->setCurrentIndex(index);
    --m_nFilling;
}

QString CPunchwellDlg::SelectedText() const {
    return m_cboProjects->currentIndex() < 0 ? QString() : m_cboProjects->currentText();
}

ProjectChoice CPunchwellDlg::SelectedChoice() const {
    const int index = m_cboProjects->currentIndex();
    if (index < 0)
        return ProjectChoice::Nothing();
    // The entry that adds a project is always the last, so a project that happens to carry
    // its text is still a project.
    if (index == m_cboProjects->count() - 1)
        return ProjectChoice::NewProject();
    return ProjectChoice::Project(m_cboProjects->itemText(index).toStdString());
}

void CPunchwellDlg::UpdateState() {
    m_session.Notify({.state = true});
}

void CPunchwellDlg::OnSessionChanged(const SessionChanges& changes) {
    if (changes.dialog)
        ShowTrayIcon(!m_session.State().dialogShown);
    if (changes.projects)
        FillProjectList();
    if (changes.checkInBegan)
        m_btnCheckInOut->setFocus();
    if (changes.locked)
        HideWhileLocked();
    if (changes.unlocked)
        ShowWindow();
    if (changes.state)
        Redraw();
    else if (changes.texts)
        PushTexts();
}

void CPunchwellDlg::Redraw() {
    const bool in = m_session.State().checkedIn;
    m_btnCheckInOut->setText(in ? tr("&Check Out") : tr("&Check In"));
    if (in && !m_cboProjects->view()->isVisible())
        SelectProjectEntry(m_cboProjects->findText(GetCurrentProject(), Qt::MatchFixedString));
    m_actionCheckInOut->setText(in ? tr("&Check Out\tAlt+C") : tr("&Check In\tAlt+C"));
    m_actionSwitch->setText(tr("&Switch\tCtrl+S"));
    m_actionSwitch->setEnabled(in);
    m_actionChangeStart->setEnabled(in);
    if (!m_app.GetOptions().m_bAutoSwitch)
        m_cboProjects->setEnabled(!in);
    m_btnSwitch->setEnabled(in);
    PushTexts();
    RefreshTray();
}

void CPunchwellDlg::RefreshTray() {
    const bool locked = m_session.State().locked;
    m_tray->SetIcon(locked ? m_hLockedIcon : m_hIcon);
    const SessionState& state = m_session.State();
    QString tooltip = tr("Punchwell - Double-click to ") + (locked            ? tr("unlock")
                                                            : state.checkedIn ? tr("check out")
                                                                              : tr("check in"));
    // The running time at a glance; a locked program shows nothing of its data.
    const CDoneTask* period = m_session.CheckInState().GetCurrentPeriod();
    if (!locked && state.checkedIn && period != nullptr) {
        const QString project = QString::fromStdString(state.project);
        const qint64 elapsed =
            qMax<qint64>(0, static_cast<qint64>(m_app.GetClock().Now()) - period->GetStart());
        tooltip += QLatin1Char('\n') + project + QStringLiteral(" \u2014 ") +
                   QString::fromStdString(duration::FormatClock(elapsed));
        m_tray->SetTitleText(project);
    } else {
        m_tray->SetTitleText(locked ? tr("Punchwell is locked") : tr("Not checked in"));
    }
    m_tray->SetTooltipText(tooltip);
}

void CPunchwellDlg::PushTexts() {
    const SessionState& state = m_session.State();
    m_elapsedLabel->setText(QString::fromStdString(state.elapsedText));
    m_checkedInLabel->setText(QString::fromStdString(state.checkedInText));
    m_checkedOutLabel->setText(QString::fromStdString(state.checkedOutText));
}

void CPunchwellDlg::ShowTrayIcon(bool shown) {
    if (shown)
        m_tray->ShowIcon();
    else
        m_tray->HideIcon();
}

void CPunchwellDlg::OnTimer() {
    // Twenty times a second; the session does its work once per new second.
    m_session.Tick();
}

void CPunchwellDlg::OnCheckInOut() {
    m_session.CheckInOut(SelectedChoice());
}

void CPunchwellDlg::OnSwitch() {
    m_session.Switch(SelectedText().toStdString());
}

void CPunchwellDlg::OnProjectSelChange(int index) {
    (void)index;
    if (m_nFilling > 0)
        return;
    m_session.ProjectSelChange(SelectedChoice());
}

void CPunchwellDlg::OnTrayCheckInOut() {
    m_session.TrayCheckInOut(SelectedText().toStdString());
}

void CPunchwellDlg::OnTraySwitch() {
    if (m_session.State().checkedIn)
        OnSwitch();
}

void CPunchwellDlg::OnChangeStart() {
    const CDoneTask* running = m_session.CheckInState().GetCurrentPeriod();
    if (!m_session.State().checkedIn || running == nullptr || m_session.RefusesCommands())
        return;
    if (RefuseOverAnotherDialog(tr("Please close the open dialog before you change the start.")))
        return;
    ShowTrayIcon(false);
    CEditPeriodDlg dlg(m_app.Store(), m_session.PeriodEditor(), m_app.GetPrompts(),
                       m_app.GetClock().Now(), running, GetCurrentProject(), this);
    const bool accepted = dlg.exec() == QDialog::Accepted;
    ShowTrayIcon(true);
    if (!accepted || dlg.Plan().correction.IsEmpty())
        return;
    // The session works the change out again: the clock went on while the dialog was open.
    const CorrectionPlan done =
        m_session.ChangeRunningStart(dlg.Plan().correction.Changes().front().after->GetStart());
    if (!done.Ok())
        m_app.GetPrompts().Ask(tr("Punchwell").toStdString(), done.refusal,
                               MessageIcon::Exclamation, MessageButtons::Ok);
}

bool CPunchwellDlg::RefuseOverAnotherDialog(const QString& text) {
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal == nullptr || modal == this)
        return false;
    // The dialog underneath lists projects, or holds one (Time Records), or a report built
    // from them: a project added or deleted now would leave it behind, or pointing at a
    // project that is gone.
    m_app.GetPrompts().Ask(tr("Punchwell").toStdString(), text.toStdString(),
                           MessageIcon::Information, MessageButtons::Ok);
    return true;
}

void CPunchwellDlg::OnConfigure() {
    if (RefuseOverAnotherDialog(tr("Please close the open dialog before you configure the "
                                   "projects.")))
        return;
    const int selected = m_cboProjects->currentIndex();
    CConfigureProjectsDlg::Hooks hooks;
    hooks.currentProject = [this]() -> std::optional<std::string> {
        if (!m_session.State().checkedIn)
            return std::nullopt;
        return m_session.State().project;
    };
    hooks.viewRecords = [this](CTask& task) { OpenTimeRecords(task); };
    // The icon is away already while Configure Projects is open.
    hooks.options = [this] { OnOptions(); };
    ShowTrayIcon(false);
    {
        CConfigureProjectsDlg dlg(m_app, m_app.GetPrompts(), std::move(hooks), this);
        dlg.exec();
    }
    ShowTrayIcon(true);
    FillProjectList();
    // By position, as before: after additions or deletions it may show another entry.
    SelectProjectEntry(selected < m_cboProjects->count() ? selected : -1);
    UpdateState();
}

CReportActions CPunchwellDlg::Reports() {
    CReportActions actions(m_app, m_app.GetPrompts(), this,
                           [this](bool shown) { ShowTrayIcon(shown); });
    actions.SetCurrentProject(CurrentProjectName().toStdString());
    return actions;
}

QString CPunchwellDlg::CurrentProjectName() const {
    if (IsCheckedIn())
        return GetCurrentProject();
    const ProjectChoice choice = SelectedChoice();
    return choice.kind == ProjectChoice::Kind::Project ? QString::fromStdString(choice.name)
                                                       : QString();
}

void CPunchwellDlg::OnViewRecords() {
    ShowTrayIcon(false);
    const std::optional<std::string> chosen =
        m_app.GetPrompts().SelectProject(CurrentProjectName().toStdString(), true);
    ShowTrayIcon(true);
    if (!chosen)
        return;
    if (CTask* task = m_app.Store().FindTask(*chosen))
        OpenTimeRecords(*task);
}

void CPunchwellDlg::OpenTimeRecords(CTask& task) {
    CTimeRecordsDlg::Hooks hooks;
    hooks.currentPeriod = [this]() -> const CDoneTask* {
        return m_session.CheckInState().GetCurrentPeriod();
    };
    hooks.reporting = [this, name = task.GetName()](QWidget* statusDialog) {
        CReportActions actions(m_app, m_app.GetPrompts(), statusDialog,
                               [this](bool shown) { ShowTrayIcon(shown); });
        // From a project's status a single-project report starts on that project.
        actions.SetCurrentProject(name);
        actions.StandardReportFromStatus();
    };
    hooks.editor = &m_session.PeriodEditor();
    CTimeRecordsDlg dlg(m_app, m_app.GetPrompts(), task, std::move(hooks), this);
    dlg.exec();
}

void CPunchwellDlg::OnAddProject() {
    if (RefuseOverAnotherDialog(tr("Please close the open dialog before you add a project.")))
        return;
    const bool hadSelection = m_cboProjects->currentIndex() >= 0;
    const QString previous = SelectedText();
    CTask* task = m_session.AddProject(CCheckIn::AddFailure::CreationFailure);
    if (task == nullptr)
        return;
    const QString name = QString::fromStdString(task->GetName());
    FillProjectList();
    if (!hadSelection)
        return;
    int index = m_cboProjects->findText(previous, Qt::MatchFixedString);
    if (index < 0)
        index = m_cboProjects->findText(name, Qt::MatchFixedString);
    SelectProjectEntry(index);
}

void CPunchwellDlg::OnOptions() {
    if (m_session.RefusesCommands())
        return;
    COptionsDlg dlg(m_app, m_app.GetPrompts(), this);
    dlg.SetIdleNote(m_idle->WhyNoSource());
    if (dlg.exec() == QDialog::Accepted)
        dlg.ApplyTo(m_app);
    // AutoSwitch decides whether the project list is usable while checked in.
    UpdateState();
}

void CPunchwellDlg::OnAbout() {
    m_tray->HideIcon();
    CAboutDlg about(this);
    about.exec();
    m_tray->ShowIcon();
}

void CPunchwellDlg::OnExit() {
    if (!PrepareExit())
        return;
    hide();
    emit exitRequested();
}

bool CPunchwellDlg::PrepareExit() {
    if (m_session.Exit())
        return true;
    // A failed save kept the program open: show why, also after an Exit from the tray.
    if (m_session.App().HasUnsavedChanges())
        ShowWindow();
    return false;
}

void CPunchwellDlg::accept() {
    // Enter reaches the default button; only Exit ends the program.
    OnExit();
}

void CPunchwellDlg::reject() {
    // Esc must not end or hide the window that carries the whole program.
    m_app.WriteOptions();
}

void CPunchwellDlg::closeEvent(QCloseEvent* event) {
    event->ignore();
    // While locked the window is hidden, so no close box can be clicked: a close request
    // then comes from another program (or the desktop) and is the unlock procedure. After
    // the right password it goes on as Cancel: the options are written, the window stays.
    if (m_session.State().locked) {
        if (m_session.CloseRequest())
            reject();
        return;
    }
    // The close box hides the window; the program keeps running until Exit. (On X11 a
    // close request from another program looks the same, and is taken the same way.)
    hide();
}

void CPunchwellDlg::changeEvent(QEvent* event) {
    QDialog::changeEvent(event);
    // A locked window restored from the task bar shows nothing until the password is given.
    if (event->type() == QEvent::WindowStateChange && m_session.State().locked && !isMinimized() &&
        isVisible())
        HideAndAskForUnlock();
}

void CPunchwellDlg::HideAndAskForUnlock() {
    hide();
    QTimer::singleShot(0, this, &CPunchwellDlg::RequestUnlock);
}

void CPunchwellDlg::HideWhileLocked() {
    // Without a tray nothing could bring a hidden window back: it waits on the task bar.
    if (m_tray->IsEnabled())
        hide();
    else
        showMinimized();
}

void CPunchwellDlg::RequestUnlock() {
    if (!m_session.State().locked) {
        ShowWindow();
        return;
    }
    if (m_session.Lock().IsBusy())
        return;              // the password is being asked already
    m_session.LockCommand(); // the right password shows the window as the tray's Unlock does
    if (m_session.State().locked)
        HideWhileLocked();
}

QMenu* CPunchwellDlg::PrepareContextMenu() {
    const bool in = m_session.State().checkedIn;
    m_actionContextCheckInOut->setText(in ? tr("&Check Out") : tr("&Check In"));
    m_actionContextSwitch->setEnabled(in);
    return m_contextMenu;
}

void CPunchwellDlg::contextMenuEvent(QContextMenuEvent* event) {
    // From the keyboard the menu opens where the mouse is.
    const QPoint at =
        event->reason() == QContextMenuEvent::Keyboard ? QCursor::pos() : event->globalPos();
    PrepareContextMenu()->exec(at);
    event->accept();
}

void CPunchwellDlg::AddSystemMenuItem() {
#ifdef Q_OS_WIN
    HMENU menu = ::GetSystemMenu(reinterpret_cast<HWND>(winId()), FALSE);
    if (menu != nullptr) {
        ::AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        ::AppendMenuW(menu, MF_STRING, kSystemMenuAbout,
                      reinterpret_cast<LPCWSTR>(tr("&About Punchwell...").utf16()));
        ::EnableMenuItem(menu, SC_MAXIMIZE, MF_BYCOMMAND | MF_GRAYED);
        ::EnableMenuItem(menu, SC_SIZE, MF_BYCOMMAND | MF_GRAYED);
    }
#else
    // Other desktops' window menus belong to the window manager; About is in the Help menu.
    (void)kSystemMenuAbout;
#endif
}

#ifdef Q_OS_WIN
bool CPunchwellDlg::nativeEvent(const QByteArray& eventType, void* message, qintptr* result) {
    const MSG* msg = static_cast<const MSG*>(message);
    if (msg->message == WM_SYSCOMMAND && (msg->wParam & 0xFFF0) == kSystemMenuAbout) {
        // From the system menu the tray icon stays.
        CAboutDlg about(this);
        about.exec();
        *result = 0;
        return true;
    }
    return QDialog::nativeEvent(eventType, message, result);
}
#endif
