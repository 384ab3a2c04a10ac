#include "gui/app/PunchwellApplication.h"

#include "core/app/ControlCommands.h"
#include "core/app/ControlProtocol.h"
#include "core/app/EarlyLoad.h"
#include "core/app/SessionControlTarget.h"
#include "gui/ui/HelpKeyFilter.h"

#include "core/platform/Clock.h"
#include "gui/app/CommandLine.h"
#include "gui/app/SingleInstance.h"
#include "gui/idle/IdleSources.h"
#include "gui/ui/IdleController.h"
#include "gui/ui/PunchwellDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QIcon>
#include <QSessionManager>
#include <QStandardPaths>
#include <QTimer>

#include <cstdio>
#include <utility>

namespace {
void Print(FILE* stream, const QString& text) {
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}
} // namespace

void PunchwellApplication::InitResources() {
    // The resources live in a static library, whose registration the linker would drop.
    Q_INIT_RESOURCE(punchwell);
    Q_INIT_RESOURCE(help);
}

QIcon PunchwellApplication::ProgramIcon() {
    QIcon icon;
    for (int size : {16, 22, 24, 32, 48, 64, 128, 256})
        icon.addFile(QStringLiteral(":/icons/punchwell-%1.png").arg(size), QSize(size, size));
    return icon;
}

int PunchwellApplication::Run(int argc, char** argv) {
    // Help and version are answered before any window system is needed.
    QStringList rawArguments;
    for (int i = 0; i < argc; ++i)
        rawArguments << QString::fromLocal8Bit(argv[i]);
    const CommandLine early = CommandLine::Parse(rawArguments);
    switch (early.action) {
    case CommandLine::Action::Help:
        Print(stdout, CommandLine::Usage());
        return 0;
    case CommandLine::Action::Version:
        Print(stdout, QStringLiteral("Punchwell %1\n").arg(QStringLiteral(PUNCHWELL_VERSION)));
        return 0;
    case CommandLine::Action::Error:
        Print(stderr, early.error + QLatin1Char('\n') + CommandLine::Usage());
        return 2;
    case CommandLine::Action::Run:
        break;
    }

    // The names come first: they place the data folder.
    QApplication::setOrganizationName(QStringLiteral("Quillmoor"));
    QApplication::setApplicationName(QStringLiteral("Punchwell"));
    QApplication::setApplicationVersion(QStringLiteral(PUNCHWELL_VERSION));
    // The main data file is read while the window system starts; the start uses that read
    // if the file is still the same once this program owns the data folder.
    std::unique_ptr<CEarlyLoad> earlyLoad = StartEarlyLoad(early.dataDirectory);

    QApplication qapp(argc, argv);
    InitResources();
    // Lets the desktop match the windows to the installed menu entry and its icon.
    QGuiApplication::setDesktopFileName(QStringLiteral("com.quillmoor.Punchwell"));
    QApplication::setWindowIcon(ProgramIcon());
    // Closing the main window only hides it; Exit ends the program.
    QApplication::setQuitOnLastWindowClosed(false);
    CHelpKeyFilter helpKey;
    qapp.installEventFilter(&helpKey);

    // Parsed again now that Qt has taken its own switches out (and, on Windows, from the
    // wide command line).
    const CommandLine commandLine = CommandLine::Parse(QCoreApplication::arguments());

    QString error;
    const QString dataDirectory = ResolveDataDirectory(commandLine.dataDirectory, error);
    if (dataDirectory.isEmpty()) {
        QtPrompts prompts;
        prompts.Ask(QStringLiteral("Punchwell").toStdString(), error.toStdString(),
                    MessageIcon::Stop, MessageButtons::Ok, false);
        return 1;
    }

    const QString file =
        commandLine.file.isEmpty() ? QString() : QFileInfo(commandLine.file).absoluteFilePath();

    SingleInstance instance(dataDirectory);
    switch (instance.Acquire()) {
    case SingleInstance::Role::Secondary:
        // The running program owns the data; this start only passes on its request.
        switch (instance.SendToPrimary(file)) {
        case SingleInstance::HandOver::Delivered:
            return 0;
        case SingleInstance::HandOver::TookOver:
            break;
        case SingleInstance::HandOver::NoAnswer: {
            const QString text = NoAnswerText(dataDirectory, file, instance.OtherHolder());
            Print(stderr, text + QLatin1Char('\n'));
            QtPrompts prompts;
            prompts.Ask("Punchwell", text.toStdString(), MessageIcon::Exclamation,
                        MessageButtons::Ok, false);
            return 1;
        }
        }
        break;
    case SingleInstance::Role::Unguarded:
        Print(stderr, QCoreApplication::translate("PunchwellApplication",
                                                  "Punchwell could not lock its data folder (%1); "
                                                  "running anyway.\n")
                          .arg(instance.LockError()));
        break;
    case SingleInstance::Role::Primary:
        break;
    }

    if (instance.HoldsLock() && !instance.IsListening()) {
        // This start runs alone all the same; but a later start cannot reach it.
        const QString text =
            QCoreApplication::translate(
                "PunchwellApplication",
                "Punchwell cannot receive requests from later starts (%1). Starting Punchwell "
                "again will not bring up this window or open a file in it until Punchwell is "
                "restarted.")
                .arg(instance.ListenError());
        Print(stderr, text + QLatin1Char('\n'));
        QtPrompts prompts;
        prompts.Ask("Punchwell", text.toStdString(), MessageIcon::Exclamation, MessageButtons::Ok,
                    false);
    }

    PunchwellApplication program(dataDirectory);
    program.Listen(instance);
    connect(&program, &PunchwellApplication::exitRequested, &qapp, &QCoreApplication::quit,
            Qt::QueuedConnection);
    program.Start(file, earlyLoad.get());
    earlyLoad.reset();
    return qapp.exec();
}

QString PunchwellApplication::NoAnswerText(const QString& dataDirectory, const QString& file,
                                           const QString& holder) {
    const QString folder = QDir::toNativeSeparators(dataDirectory);
    QString text =
        holder.startsWith(QStringLiteral("punchwell-cli"))
            ? QCoreApplication::translate("PunchwellApplication",
                                          "punchwell-cli is still writing into the data folder "
                                          "%1.")
                  .arg(folder)
            : QCoreApplication::translate("PunchwellApplication",
                                          "Punchwell is already running with the data folder %1, "
                                          "but it did not answer within %2 seconds.")
                  .arg(folder)
                  .arg(SingleInstance::kHandOverTimeoutMs / 1000);
    if (!file.isEmpty())
        text += QLatin1Char(' ') +
                QCoreApplication::translate("PunchwellApplication", "The file %1 was not opened.")
                    .arg(QDir::toNativeSeparators(file));
    return text + QLatin1Char(' ') +
           QCoreApplication::translate("PunchwellApplication",
                                       "Wait a moment and start Punchwell again.");
}

std::unique_ptr<CEarlyLoad> PunchwellApplication::StartEarlyLoad(const QString& fromCommandLine) {
    QString error;
    const QString directory = ResolveDataDirectory(fromCommandLine, error);
    if (directory.isEmpty())
        return nullptr; // told once the window system is up
    const std::string native = QDir::toNativeSeparators(directory).toStdString();
    return std::make_unique<CEarlyLoad>(JoinPath(native, CPunchwellApp::kMainFileName));
}

QString PunchwellApplication::ResolveDataDirectory(const QString& fromCommandLine, QString& error) {
    const QString wanted = fromCommandLine.isEmpty()
                               ? QStandardPaths::writableLocation(QStandardPaths::AppDataLocation)
                               : fromCommandLine;
    if (wanted.isEmpty()) {
        error = QCoreApplication::translate("PunchwellApplication",
                                            "Punchwell cannot find a folder for its data files.");
        return {};
    }
    const QString path = QDir::cleanPath(QDir(wanted).absolutePath());
    if (!QDir().mkpath(path) || !QFileInfo(path).isDir()) {
        error = QCoreApplication::translate("PunchwellApplication",
                                            "Punchwell cannot create its data folder %1.")
                    .arg(QDir::toNativeSeparators(path));
        return {};
    }
    return path;
}

PunchwellApplication::PunchwellApplication(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_session(QDir::toNativeSeparators(dataDirectory).toStdString()) {
    App().SetPrompts(m_prompts);
    App().SetOptionsStorage(m_optionsStorage);
    m_prompts.SetApp(&App());
}

PunchwellApplication::~PunchwellApplication() {
    FinishBackupRefresh();
    m_dlg.reset();
}

void PunchwellApplication::StartBackupRefresh() {
    // The backup and the day's dated copy are copies of the bytes read at start-up: written
    // on a thread of their own, once the window is on its way, they keep neither the window
    // nor the person waiting. So is the check of the old backup, kept aside first when it is
    // damaged. A kept or failed backup is shown with the window up; a failed dated copy
    // costs only that copy, and the day's first save tries it again.
    if (m_backupRefreshStarted || !m_startup.backupRefresh.IsPending())
        return;
    m_backupRefreshStarted = true;
    m_backupRefresh = std::thread([this, refresh = std::move(m_startup.backupRefresh),
                                   retention = App().GetBackupRetention()]() mutable {
        const std::string notice = refresh.KeepDamagedBackup();
        const FileResult result = refresh.Run();
        // Told in the order it happened, the second box after the first is closed.
        if (!notice.empty() || !result.ok)
            QMetaObject::invokeMethod(
                this,
                [this, notice, result] {
                    TellDamagedBackupKept(App(), notice);
                    App().ShowFileError(result);
                },
                Qt::QueuedConnection);
        if (const std::optional<BackupDate> day = refresh.DatedCopyDay();
            day && !refresh.RunDatedCopy(retention).ok)
            QMetaObject::invokeMethod(
                this, [this, day = *day] { App().GiveBackDatedBackupTurn(day); },
                Qt::QueuedConnection);
    });
}

void PunchwellApplication::FinishBackupRefresh() {
    // A program that ends before its first turn of the event loop still refreshes the backup.
    StartBackupRefresh();
    if (m_backupRefresh.joinable())
        m_backupRefresh.join();
}

CPunchwellDlg* PunchwellApplication::MainWindow() const {
    return m_dlg.get();
}

void PunchwellApplication::Listen(SingleInstance& instance) {
    connect(&instance, &SingleInstance::showRequested, this,
            &PunchwellApplication::OnShowRequested);
    connect(&instance, &SingleInstance::fileHandedOver, this,
            &PunchwellApplication::OnFileHandedOver);
    instance.SetControlHandler(
        [this](const std::string& payload) { return OnControlRequest(payload); });
}

std::string PunchwellApplication::OnControlRequest(const std::string& payload) {
    const std::optional<ControlRequest> request = control::DecodeRequest(payload);
    if (!request)
        return control::EncodeReply(
            {kControlUsage,
             {},
             "Punchwell does not understand this request (another version of punchwell-cli?). "
             "Nothing was changed."});
    if (!m_started || !m_dlg)
        return control::EncodeReply(
            {kControlDialogOpen,
             {},
             "Punchwell is still starting up: answer its questions first. Nothing was changed."});
    CSessionControlTarget target(m_session, true);
    return control::EncodeReply(CControlCommands::Run(*request, target));
}

void PunchwellApplication::Start(const QString& commandLineFile, CEarlyLoad* earlyLoad) {
    // The window's widgets are built while the main file may still be read on its thread;
    // the window joins the session once the data and the options are in.
    m_dlg = std::make_unique<CPunchwellDlg>(m_session, CPunchwellDlg::Join::Later);
    // Its native window as well, unmapped: making it is most of what showing the window costs.
    m_dlg->winId();
    // The data files come first: no option may influence which file is read.
    m_startup = LoadDataAtStartup(App(), !commandLineFile.isEmpty(), true, earlyLoad);
    App().ReadOptions();
    m_dlg->Attach();
    m_prompts.SetOwner(m_dlg.get());
    connect(m_dlg.get(), &CPunchwellDlg::exitRequested, this, &PunchwellApplication::exitRequested);
    // The session ending is an exit too: its save must succeed or the person agree to the
    // loss, else the logout is cancelled.
    if (auto* gui = qobject_cast<QGuiApplication*>(QCoreApplication::instance()))
        connect(gui, &QGuiApplication::commitDataRequest, this, [this](QSessionManager& manager) {
            if (!m_dlg || !manager.allowsInteraction())
                return;
            const bool end = m_dlg->PrepareExit();
            if (!end)
                manager.cancel();
            manager.release();
        });

    // Time away from the computer: what this desktop can tell of it.
    IdleSourceChoice idle = ChooseIdleSource();
    m_dlg->Idle().SetSource(std::move(idle.source), idle.whyNone);
    ListenForSleep(m_dlg.get(), [this](bool sleeping) { m_session.SleepChanged(sleeping); });

    // The window exists but is not on screen yet, so this box has no owner. A program that
    // starts locked asks nothing before the unlock: the session keeps the file until then.
    if (!commandLineFile.isEmpty())
        m_session.OpenFile(QDir::toNativeSeparators(commandLineFile).toStdString(), false, false);

    // The copies follow once an event loop runs, the main one or that of the project list
    // offered at start: the first window is drawn before them.
    QTimer::singleShot(0, this, &PunchwellApplication::StartBackupRefresh);

    // Resumes a running period or offers the project list before the window shows.
    m_dlg->Initialise();
    m_dlg->ShowWindow();
    m_started = true;

    if (m_showPending)
        ShowMainWindow();
    const QStringList pending = std::exchange(m_filesPending, {});
    for (const QString& path : pending)
        OpenCommandLineFile(path, true);
}

void PunchwellApplication::ShowMainWindow() {
    if (!m_dlg)
        return;
    // A second start is a way back to a locked program, with or without a tray.
    if (m_session.State().locked)
        m_dlg->RequestUnlock();
    else
        m_dlg->ShowWindow();
}

void PunchwellApplication::OpenCommandLineFile(const QString& path, bool owned) {
    // The session keeps it while the program is locked or busy and serves it from the clock.
    // Only a later start's file arrives with the window on screen.
    if (m_dlg)
        m_session.OpenFile(QDir::toNativeSeparators(path).toStdString(), owned, owned);
}

void PunchwellApplication::OnShowRequested() {
    if (!m_started) {
        m_showPending = true;
        return;
    }
    ShowMainWindow();
}

void PunchwellApplication::OnFileHandedOver(const QString& path) {
    if (!m_started) {
        m_filesPending << path;
        return;
    }
    OpenCommandLineFile(path, true);
}
