#include "gui/ui/DataCommands.h"

#include "core/app/DataLoad.h"
#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/TextExport.h"
#include "core/platform/Clock.h"
#include "gui/ui/LoadDataFileDlg.h"
#include "gui/ui/MergeProgressDlg.h"
#include "gui/ui/PunchwellDlg.h"
#include "gui/ui/RestoreBackupDlg.h"

#include <QApplication>
#include <QDir>
#include <QFileInfo>

#include <memory>

namespace {

constexpr int kPendingRetryMs = 250;

std::string Text(const QString& text) {
    return text.toStdString();
}

} // namespace

class CDataCommands::BusyScope {
public:
    explicit BusyScope(CDataCommands& owner) : m_owner(owner) { ++m_owner.m_nBusy; }
    ~BusyScope() { --m_owner.m_nBusy; }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;

private:
    CDataCommands& m_owner;
};

CDataCommands::CDataCommands(CPunchwellSession& session, CPunchwellDlg& dlg)
    : QObject(&dlg), m_session(session), m_app(session.App()), m_dlg(dlg) {
    setObjectName(QStringLiteral("dataCommands"));
    m_pendingTimer.setSingleShot(true);
    m_pendingTimer.setInterval(kPendingRetryMs);
    connect(&m_pendingTimer, &QTimer::timeout, this, &CDataCommands::ServePending);
}

Prompts* CDataCommands::GetPrompts() const {
    return m_app.GetPrompts();
}

void CDataCommands::OnSaveData() {
    Prompts* prompts = GetPrompts();
    if (prompts == nullptr || IsBusy())
        return;
    BusyScope busy(*this);
    FileDialogRequest request;
    request.caption = Text(tr("Save As"));
    request.filter = kDataFileFilter;
    request.defaultSuffix = "pnd";
    request.initialName = kDataFileDefaultName;
    const std::optional<std::string> path = prompts->ChooseSaveFile(request);
    if (!path || path->empty())
        return;
    // A failure is shown by the save itself, naming the file and the cause.
    m_app.SaveData(*path);
}

void CDataCommands::OnExportData() {
    Prompts* prompts = GetPrompts();
    if (prompts == nullptr || IsBusy())
        return;
    BusyScope busy(*this);
    FileDialogRequest request;
    request.caption = Text(tr("Save As"));
    request.filter = kTextFileFilter;
    request.defaultSuffix = "txt";
    request.initialName = kTextExportDefaultName;
    const std::optional<std::string> path = prompts->ChooseSaveFile(request);
    if (!path || path->empty())
        return;
    const FileResult result = WriteTextExport(m_app, *path);
    if (!result.ok)
        prompts->Ask(Text(tr("Punchwell")), result.message, MessageIcon::Exclamation,
                     MessageButtons::Ok);
}

void CDataCommands::OnLoadData() {
    Prompts* prompts = GetPrompts();
    if (prompts == nullptr || IsBusy())
        return;
    // F5 also reaches here from the program's other dialogs. Those work on the records that
    // a load would replace, so the load waits until they are closed.
    if (QApplication::activeModalWidget() != nullptr) {
        prompts->Ask(Text(tr("Load Data")),
                     Text(tr("Please close the open dialog before you load new data.")),
                     MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    BusyScope busy(*this);
    RunLoad(std::nullopt, true);
}

void CDataCommands::OpenFile(const QString& path, bool owned) {
    // Only a later start's file arrives with the window on screen.
    OpenFile(path, owned, owned);
}

void CDataCommands::OpenFile(const QString& path, bool owned, bool handedOver) {
    // The start-up file runs at once: nothing else is open yet.
    if (owned && (!m_pending.isEmpty() || !CanServeHandedOverFile())) {
        m_pending << path;
        m_pendingTimer.start();
        return;
    }
    ServeFile(path, owned, handedOver);
}

void CDataCommands::ServeFile(const QString& path, bool owned, bool handedOver) {
    Prompts* prompts = GetPrompts();
    if (prompts == nullptr)
        return;
    BusyScope busy(*this);
    // At start-up the window is not on screen: the boxes of the whole procedure, also a
    // failed save's, have no owner.
    const bool wasOwned = m_app.m_bPromptsOwned;
    m_app.m_bPromptsOwned = owned;
    const std::string shown = Text(QDir::toNativeSeparators(path));
    // A bare path out of the blue would say nothing of where it came from or what happens
    // next.
    if (!handedOver) {
        prompts->Ask(std::string(), shown, MessageIcon::None, MessageButtons::Ok, owned);
        RunLoad(shown, owned);
    } else if (const QString why = WhyNotLoadable(path); !why.isEmpty()) {
        prompts->Ask(Text(tr("Punchwell")),
                     Text(tr("Another start of Punchwell handed this file to the running "
                             "program:\n\n%1\n\nIt cannot be offered for loading: %2.")
                              .arg(QString::fromStdString(shown), why)),
                     MessageIcon::Exclamation, MessageButtons::Ok, owned);
    } else {
        prompts->Ask(Text(tr("Punchwell")),
                     Text(tr("Another start of Punchwell handed this file to the running "
                             "program:\n\n%1\n\nIt will now be offered for loading: choose "
                             "how to load it, or Cancel to leave your data as it is.")
                              .arg(QString::fromStdString(shown))),
                     MessageIcon::Information, MessageButtons::Ok, owned);
        RunLoad(shown, owned);
    }
    m_app.m_bPromptsOwned = wasOwned;
}

QString CDataCommands::WhyNotLoadable(const QString& path) {
    const QFileInfo info(path);
    if (!info.exists())
        return tr("it does not exist");
    if (info.isDir())
        return tr("it is a folder");
    if (!info.isReadable())
        return tr("it cannot be read");
    return {};
}

bool CDataCommands::CanServeHandedOverFile() const {
    // Not in the middle of another dialog or operation, and not while the program is locked
    // (every command waits for the unlock then).
    return !IsBusy() && QApplication::activeModalWidget() == nullptr && !m_session.State().busy &&
           !m_session.HoldsRequests();
}

void CDataCommands::ServePending() {
    if (m_pending.isEmpty())
        return;
    if (!CanServeHandedOverFile()) {
        m_pendingTimer.start();
        return;
    }
    ServeFile(m_pending.takeFirst(), true, true);
    if (!m_pending.isEmpty())
        m_pendingTimer.start();
}

bool CDataCommands::CheckOutFirst(bool owned) {
    if (!m_dlg.IsCheckedIn())
        return true;
    const MessageAnswer answer = GetPrompts()->Ask(
        Text(tr("Check Out?")),
        Text(tr("Before you load new data, you must first check out. Would you like to "
                "check out now?")),
        MessageIcon::Question, MessageButtons::YesNo, owned);
    if (answer != MessageAnswer::Yes)
        return false;
    const bool checkedOut = m_dlg.CheckOut();
    m_dlg.UpdateState();
    return checkedOut;
}

void CDataCommands::OnRestoreBackup() {
    Prompts* prompts = GetPrompts();
    if (prompts == nullptr || IsBusy())
        return;
    if (QApplication::activeModalWidget() != nullptr) {
        prompts->Ask(Text(tr("Restore From Backup")),
                     Text(tr("Please close the open dialog before you restore a backup.")),
                     MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    BusyScope busy(*this);
    const CDatedBackups& backups = m_app.DatedBackups();
    const QString folder = QDir::toNativeSeparators(QString::fromStdString(backups.Folder()));
    if (backups.List().empty()) {
        prompts->Ask(Text(tr("Restore From Backup")),
                     Text(tr("No copy of your data has been kept yet. Punchwell keeps one for "
                             "each day you use it, in %1.")
                              .arg(folder)),
                     MessageIcon::Information, MessageButtons::Ok);
        return;
    }
    if (!CheckOutFirst(true))
        return;

    // Listed after the check-out, whose save may have made today's copy.
    const std::vector<DatedCopy> copies = backups.List();
    std::vector<DatedCopySummary> summaries;
    {
        // Each copy is read whole to count what it holds.
        QApplication::setOverrideCursor(Qt::WaitCursor);
        for (const DatedCopy& copy : copies)
            summaries.push_back(CDatedBackups::Summarize(copy));
        QApplication::restoreOverrideCursor();
    }
    std::string path;
    BackupDate date = 0;
    {
        CRestoreBackupDlg dialog(summaries, folder, &m_dlg);
        if (dialog.exec() != QDialog::Accepted || dialog.GetSelected() == nullptr)
            return;
        path = dialog.GetSelected()->copy.path;
        date = dialog.GetSelected()->copy.date;
    }

    const std::optional<LoadApplyResult> result = LoadFile(path, LoadMethod::ReplaceAll, true);
    if (!result)
        return;
    QString text = tr("Your data is now the copy of %1.").arg(CRestoreBackupDlg::DateText(date));
    if (!result->keptCopy.empty())
        text += QLatin1Char(' ') +
                tr("Your data as it was before is kept in %1; load it with Load Data to go back.")
                    .arg(QDir::toNativeSeparators(QString::fromStdString(result->keptCopy)));
    prompts->Ask(Text(tr("Data Restored")), Text(text), MessageIcon::Information,
                 MessageButtons::Ok);
}

void CDataCommands::RunLoad(const std::optional<std::string>& path, bool owned) {
    Prompts& prompts = *GetPrompts();
    QWidget* owner = owned ? &m_dlg : nullptr;

    if (!CheckOutFirst(owned))
        return;

    LoadMethod method = LoadMethod::ReplaceAll;
    {
        CLoadDataFileDlg dialog(prompts, owner);
        if (dialog.exec() != QDialog::Accepted || !dialog.GetMethod())
            return;
        method = *dialog.GetMethod();
    }

    std::string file;
    if (path) {
        file = *path;
    } else {
        FileDialogRequest request;
        request.caption = Text(tr("Open"));
        request.filter = kDataFileFilter;
        request.defaultSuffix = "pnd";
        request.initialName = kDataFileDefaultName;
        const std::optional<std::string> chosen = prompts.ChooseOpenFile(request);
        if (!chosen || chosen->empty())
            return;
        file = *chosen;
    }
    LoadFile(file, method, owned);
}

std::optional<LoadApplyResult> CDataCommands::LoadFile(const std::string& file, LoadMethod method,
                                                       bool owned) {
    Prompts& prompts = *GetPrompts();
    QWidget* owner = owned ? &m_dlg : nullptr;

    // The file is read whole before anything changes, so every way out up to Apply leaves
    // the data as it was.
    const CDataLoad load = CDataLoad::Read(file);
    if (!load.IsReadable()) {
        prompts.Ask(CDataLoad::kNotReadableCaption, load.ErrorMessage(), MessageIcon::Exclamation,
                    MessageButtons::Ok, owned);
        return std::nullopt;
    }
    if (load.IsDamaged() && prompts.Ask(CDataLoad::kDamagedCaption, load.DamagedQuestion(method),
                                        MessageIcon::Exclamation, MessageButtons::YesNo, owned,
                                        MessageAnswer::No) != MessageAnswer::Yes)
        return std::nullopt;

    // A merge's records are rebuilt: nothing may hold on to them across it. The open
    // period is closed by now, so the check-in state holds none.
    std::unique_ptr<CMergeProgressDlg> progress;
    LoadOptions options;
    if (method == LoadMethod::MergeFiles) {
        progress = std::make_unique<CMergeProgressDlg>(owner);
        options.progress = [window = progress.get()](std::size_t done, std::size_t total) {
            window->SetProgress(done, total);
        };
    }
    const auto apply = [&] {
        if (progress)
            progress->Open();
        LoadApplyResult result = load.Apply(m_app, method, options);
        if (progress)
            progress->hide();
        return result;
    };
    LoadApplyResult result = apply();
    if (result.status == LoadApplyResult::Status::CopyFailed) {
        if (prompts.Ask(CDataLoad::kCopyFailedCaption, CopyFailedQuestion(result),
                        MessageIcon::Exclamation, MessageButtons::YesNo, owned,
                        MessageAnswer::No) != MessageAnswer::Yes)
            return std::nullopt;
        options.goOnWithoutCopy = true;
        result = apply();
    }
    progress.reset();
    if (result.status != LoadApplyResult::Status::Loaded)
        return std::nullopt;

    m_dlg.FillProjectList();
    // A file saved while its program was locked locks this one as a start-up does: once the
    // window is up, from the clock. At start-up the window's own start arms it.
    if (result.lockedAfter && owned)
        m_session.Lock().ArmRelockIfLocked(m_app.GetClock().Now());
    m_dlg.UpdateState();
    return result;
}
