#pragma once

#include "core/app/DataLoad.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <optional>
#include <string>

class CPunchwellApp;
class CPunchwellSession;
class CPunchwellDlg;
class Prompts;

// The File menu's data commands: Save Data, Export Data as Text, and the load procedure that
// Load Data, the file named on the command line and a file handed over by a later start all
// run (check out, choose the method, choose or take the file, replace or merge, save).
class CDataCommands : public QObject {
    Q_OBJECT

public:
    static constexpr const char* kDataFileFilter = "Punchwell Data Files (*.pnd);;All Files (*)";
    static constexpr const char* kTextFileFilter = "Text Files (*.txt);;All Files (*)";
    static constexpr const char* kDataFileDefaultName = "timedata.pnd";

    CDataCommands(CPunchwellSession& session, CPunchwellDlg& dlg);

    void OnSaveData();
    void OnExportData();
    void OnLoadData();
    // Lists the dated copies of the data file and replaces the data with the chosen one
    // through the load procedure (Replace All Data, with its copy of the data as it was).
    void OnRestoreBackup();

    // A data file named on a command line: its full path is shown, then it is loaded without
    // the Open dialog. `owned` is false at start-up, before the main window is on screen.
    // A file from a later start waits while a dialog is open, a load is running or the
    // program is locked, and is served once that is over.
    void OpenFile(const QString& path, bool owned);
    // The same, saying whether a later start handed the file over (its box says so); a
    // command-line file of this start that waited for the unlock is not.
    void OpenFile(const QString& path, bool owned, bool handedOver);

    // A load procedure is running.
    bool IsBusy() const { return m_nBusy > 0; }
    // Files handed over that still wait their turn.
    const QStringList& PendingFiles() const { return m_pending; }

private:
    class BusyScope;

    // The load procedure; `path` empty asks for the file with the Open dialog.
    void RunLoad(const std::optional<std::string>& path, bool owned);
    // A running period is checked out first; false ends the procedure.
    bool CheckOutFirst(bool owned);
    // Reads the file, asks about damage, replaces or merges and saves. Empty when the
    // procedure ended before the data changed.
    std::optional<LoadApplyResult> LoadFile(const std::string& file, LoadMethod method, bool owned);
    void ServeFile(const QString& path, bool owned, bool handedOver);
    bool CanServeHandedOverFile() const;
    void ServePending();
    Prompts* GetPrompts() const;
    // Why a file handed over cannot be offered for loading; empty when it can.
    static QString WhyNotLoadable(const QString& path);

    CPunchwellSession& m_session;
    CPunchwellApp& m_app;
    CPunchwellDlg& m_dlg;
    int m_nBusy = 0;
    QStringList m_pending;
    QTimer m_pendingTimer;
};
