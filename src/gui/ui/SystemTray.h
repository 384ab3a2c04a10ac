#pragma once

#include <QHash>
#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QSystemTrayIcon>

#include <functional>

class QAction;
class QMenu;
class QWidget;

// The icon in the notification area: a tooltip saying what a double-click does, an image
// that shows the lock, a double-click for the default command and a menu of the main
// commands. Where the desktop has no notification area there is no icon, and the program
// runs without it; the menu and the recorded icon, tooltip and hidden state stay, so the
// icon comes back as last set when one appears.
class CSystemTray : public QObject {
    Q_OBJECT

public:
    struct State {
        bool checkedIn = false;
        bool locked = false;
        bool canLock = true; // false while another window of the program is open
    };

    // `mainWindow` is brought to the front before the menu or the default command acts.
    explicit CSystemTray(QWidget* mainWindow, QObject* parent = nullptr);
    ~CSystemTray() override;

    // Puts the icon into the notification area; false when there is none.
    bool Create(const QIcon& icon, const QString& tooltip);
    // The state the menu is prepared from, asked at every opening of the menu.
    void SetStateSource(std::function<State()> source) { m_stateSource = std::move(source); }
    // A menu item enabled exactly while `source` is (unless locked).
    void Follow(QAction* item, QAction* source);

    void HideIcon();
    void ShowIcon();
    void RemoveIcon();
    void SetIcon(const QIcon& icon);
    void SetTooltipText(const QString& text);
    // The menu's first item, which only names the state (the current project).
    void SetTitleText(const QString& text);

    bool IsEnabled() const { return m_icon != nullptr; }
    bool IsHidden() const { return m_bHidden; }
    QString GetTooltipText() const { return m_strTooltip; }
    QIcon GetIcon() const { return m_iconImage; }
    QMenu* Menu() const { return m_menu; }

    // Sets the menu's texts and enabled items for the state, as at every right-click.
    void PrepareMenu();
    // What a click on the icon does.
    void OnActivated(QSystemTrayIcon::ActivationReason reason);

    QAction* m_actionTitle = nullptr;
    QAction* m_actionCheckInOut = nullptr;
    QAction* m_actionSwitch = nullptr;
    QAction* m_actionShowWindow = nullptr;
    QAction* m_actionLock = nullptr;
    QAction* m_actionReporting = nullptr;
    QAction* m_actionConfigure = nullptr;
    QAction* m_actionOptions = nullptr;
    QAction* m_actionAbout = nullptr;
    QAction* m_actionExit = nullptr;

signals:
    // A double-click while locked: unlock with the password.
    void unlockRequested();

private:
    void BringMainWindowForward();

    QPointer<QWidget> m_mainWindow;
    QSystemTrayIcon* m_icon = nullptr;
    QMenu* m_menu = nullptr;
    bool m_bHidden = false;
    QIcon m_iconImage;
    QString m_strTooltip;
    std::function<State()> m_stateSource;
    QHash<QAction*, QPointer<QAction>> m_follows;
};
