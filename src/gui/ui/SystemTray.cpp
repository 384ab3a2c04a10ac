#include "gui/ui/SystemTray.h"

#include <QAction>
#include <QMenu>
#include <QWidget>

CSystemTray::CSystemTray(QWidget* mainWindow, QObject* parent)
    : QObject(parent), m_mainWindow(mainWindow), m_menu(new QMenu) {
    m_menu->setObjectName(QStringLiteral("trayMenu"));
    auto add = [this](const QString& text, const char* name) {
        QAction* action = m_menu->addAction(text);
        action->setObjectName(QLatin1String(name));
        return action;
    };
    // Names the current project at a glance; never a command.
    m_actionTitle = add(tr("Not checked in"), "actionTrayTitle");
    m_actionTitle->setEnabled(false);
    m_menu->addSeparator();
    m_actionCheckInOut = add(tr("&Check In/Out"), "actionTrayCheckInOut");
    m_actionSwitch = add(tr("&Switch..."), "actionTraySwitch");
    m_menu->addSeparator();
    m_actionShowWindow = add(tr("Show Program &Window"), "actionTrayShowWindow");
    m_actionLock = add(tr("&Lock/Unlock Program"), "actionTrayLock");
    m_actionReporting = add(tr("Reporting..."), "actionTrayReporting");
    m_menu->addSeparator();
    m_actionConfigure = add(tr("Configure &Projects..."), "actionTrayConfigure");
    m_actionOptions = add(tr("&Options..."), "actionTrayOptions");
    m_menu->addSeparator();
    m_actionAbout = add(tr("&About..."), "actionTrayAbout");
    m_actionExit = add(tr("E&xit"), "actionTrayExit");
    // The first item is what a double-click does; shown bold as the default.
    m_menu->setDefaultAction(m_actionCheckInOut);
    connect(m_menu, &QMenu::aboutToShow, this, &CSystemTray::PrepareMenu);
}

CSystemTray::~CSystemTray() {
    RemoveIcon();
    delete m_menu;
}

bool CSystemTray::Create(const QIcon& icon, const QString& tooltip) {
    m_iconImage = icon;
    m_strTooltip = tooltip;
    if (m_icon != nullptr || !QSystemTrayIcon::isSystemTrayAvailable())
        return m_icon != nullptr;
    m_icon = new QSystemTrayIcon(icon, this);
    m_icon->setToolTip(tooltip);
    m_icon->setContextMenu(m_menu);
    connect(m_icon, &QSystemTrayIcon::activated, this, &CSystemTray::OnActivated);
    if (!m_bHidden)
        m_icon->show();
    return true;
}

void CSystemTray::Follow(QAction* item, QAction* source) {
    m_follows.insert(item, source);
    item->setEnabled(source->isEnabled());
}

void CSystemTray::HideIcon() {
    if (m_bHidden)
        return;
    m_bHidden = true;
    if (m_icon != nullptr)
        m_icon->hide();
}

void CSystemTray::ShowIcon() {
    if (!m_bHidden)
        return;
    m_bHidden = false;
    if (m_icon != nullptr) {
        // Whatever was set while hidden is what comes back.
        m_icon->setIcon(m_iconImage);
        m_icon->setToolTip(m_strTooltip);
        m_icon->show();
    }
}

void CSystemTray::RemoveIcon() {
    if (m_icon == nullptr)
        return;
    m_icon->hide();
    delete m_icon;
    m_icon = nullptr;
}

void CSystemTray::SetIcon(const QIcon& icon) {
    m_iconImage = icon;
    if (m_icon != nullptr && !m_bHidden)
        m_icon->setIcon(icon);
}

void CSystemTray::SetTooltipText(const QString& text) {
    m_strTooltip = text;
    if (m_icon != nullptr && !m_bHidden)
        m_icon->setToolTip(text);
}

void CSystemTray::SetTitleText(const QString& text) {
    m_actionTitle->setText(text);
}

void CSystemTray::PrepareMenu() {
    const State state = m_stateSource ? m_stateSource() : State{};
    const QList<QAction*> items = m_menu->actions();
    if (state.locked) {
        // Nothing but unlocking while the program is locked.
        for (QAction* item : items)
            item->setEnabled(item == m_actionLock);
        m_actionLock->setText(tr("Un&Lock Program"));
        return;
    }
    for (QAction* item : items) {
        const auto follow = m_follows.constFind(item);
        item->setEnabled(follow == m_follows.constEnd() || (*follow && (*follow)->isEnabled()));
    }
    m_actionTitle->setEnabled(false);
    m_actionCheckInOut->setText(state.checkedIn ? tr("&Check Out") : tr("&Check In"));
    m_actionSwitch->setEnabled(state.checkedIn);
    m_actionLock->setText(tr("&Lock Program"));
    if (!state.canLock)
        m_actionLock->setEnabled(false);
    BringMainWindowForward();
}

void CSystemTray::BringMainWindowForward() {
    if (m_mainWindow && m_mainWindow->isVisible()) {
        m_mainWindow->raise();
        m_mainWindow->activateWindow();
    }
}

void CSystemTray::OnActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason != QSystemTrayIcon::DoubleClick)
        return;
    BringMainWindowForward();
    const State state = m_stateSource ? m_stateSource() : State{};
    if (state.locked)
        emit unlockRequested();
    else
        m_actionCheckInOut->trigger();
}
