#pragma once

#include "core/app/PunchwellSession.h"
#include "core/app/StartupLoader.h"
#include "gui/app/QtPrompts.h"
#include "gui/app/SettingsOptionsStorage.h"

#include <QIcon>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <memory>
#include <string>
#include <thread>

class CEarlyLoad;
class CPunchwellDlg;
class SingleInstance;

// The program from start-up to Exit: the data files, the options, the main window and the
// requests of later starts.
class PunchwellApplication : public QObject {
    Q_OBJECT
public:
    // The whole program; returns the process exit code.
    static int Run(int argc, char** argv);

    // The data folder: `fromCommandLine` when given, else the per-user one; created when
    // missing. Empty on failure, with `error` ready to show.
    static QString ResolveDataDirectory(const QString& fromCommandLine, QString& error);
    // What a later start says when the running program did not take its request.
    static QString NoAnswerText(const QString& dataDirectory, const QString& file,
                                const QString& holder);

    // Registers the program's resources (icons, help pages); once per process.
    static void InitResources();
    // The clock icon in every size the resources hold.
    static QIcon ProgramIcon();

    explicit PunchwellApplication(const QString& dataDirectory, QObject* parent = nullptr);
    ~PunchwellApplication() override;

    // Takes the show and open requests that later starts send.
    void Listen(SingleInstance& instance);
    // Start-up after the instance guard, in this order: the main window built, hidden and
    // apart, while the main file may still be read; the data files; the options; the window
    // joined to the session; the command-line file; then the window is shown. `earlyLoad` holds the
    // main data file as read while the program started (StartEarlyLoad), or is null.
    void Start(const QString& commandLineFile, CEarlyLoad* earlyLoad = nullptr);
    // Starts reading the main data file of the folder that the command line (or the default)
    // names, before the window system is up; null when the folder cannot be had.
    static std::unique_ptr<CEarlyLoad> StartEarlyLoad(const QString& fromCommandLine);

    CPunchwellApp& App() { return m_session.App(); }
    CPunchwellSession& Session() { return m_session; }
    QtPrompts& GetPrompts() { return m_prompts; }
    CPunchwellDlg* MainWindow() const;
    const StartupResult& GetStartupResult() const { return m_startup; }
    // Waits until the start-up's backup refresh has finished (at once when there is none).
    void FinishBackupRefresh();

    void ShowMainWindow();
    // A data file named on a command line, this one's (`owned` false) or a later start's: it
    // is shown, then the load procedure runs for it (replace or merge, then save).
    void OpenCommandLineFile(const QString& path, bool owned);

signals:
    // File > Exit has done its work; the program ends.
    void exitRequested();

private:
    void StartBackupRefresh();
    void OnShowRequested();
    void OnFileHandedOver(const QString& path);
    // A punchwell-cli command: the reply payload for the request payload.
    std::string OnControlRequest(const std::string& payload);

    QtPrompts m_prompts;
    SettingsOptionsStorage m_optionsStorage;
    CPunchwellSession m_session;
    StartupResult m_startup;
    std::unique_ptr<CPunchwellDlg> m_dlg;

    // Requests that arrived while start-up still had its message boxes open.
    // Refreshes the backup while the window comes up; joined before the program ends.
    std::thread m_backupRefresh;
    bool m_backupRefreshStarted = false;
    bool m_started = false;
    bool m_showPending = false;
    QStringList m_filesPending;
};
