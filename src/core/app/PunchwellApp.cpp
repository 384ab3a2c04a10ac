#include "core/app/PunchwellApp.h"

#include "core/app/NoPrompts.h"
#include "core/app/Prompts.h"
#include "core/data/Password.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"

#include <algorithm>

namespace {

constexpr const char* kAppCaption = "Punchwell";

// An integer option read from storage: missing, unreadable or out of range gives the default,
// so a hand-edited or foreign value can never put the program into a state it does not know.
template <typename T>
void ReadRanged(OptionsStorage& storage, const char* name, T& member, T defaultValue,
                std::int64_t low, std::int64_t high) {
    std::int64_t value = 0;
    if (storage.ReadInt(name, value) && value >= low && value <= high)
        member = static_cast<T>(value);
    else
        member = defaultValue;
}

} // namespace

CPunchwellApp::CPunchwellApp(const std::string& dataDirectory)
    : m_strDataDirectory(dataDirectory), m_strDataPath(JoinPath(dataDirectory, kMainFileName)),
      m_strBackupPath(JoinPath(dataDirectory, kBackupFileName)), m_datedBackups(dataDirectory),
      m_prompts(&CNoPrompts::Instance()) {}

void CPunchwellApp::ResetPrompts() {
    m_prompts = &CNoPrompts::Instance();
}

const Clock& CPunchwellApp::GetClock() const {
    static const SystemClock systemClock;
    return m_clock != nullptr ? *m_clock : systemClock;
}

std::string CPunchwellApp::ResolvePath(const std::string& path) const {
    return path.empty() ? m_strDataPath : path;
}

bool CPunchwellApp::SaveData(const std::string& path) {
    const FileResult result = Save(path);
    if (!result.ok && !m_bHoldSaveErrors)
        ShowFileError(result);
    return result.ok;
}

FileResult CPunchwellApp::Save(const std::string& path) {
    const std::string target = ResolvePath(path);
    const bool mainFile = target == m_strDataPath;
    // The file is written a block at a time as it is serialised; its bytes are gathered
    // whole only when the day's dated copy, which is made from them, is still due.
    const bool copyDue = mainFile && DatedBackupDue();
    std::string bytes;
    if (copyDue)
        bytes.reserve(m_savedSize);
    FileOps& ops = m_fileOps != nullptr ? *m_fileOps : SystemFileOps();
    const auto produce = [&](const FilePieceSink& sink) {
        if (!copyDue) {
            CDataFile::Write(m_store, m_strPassword, m_wLocked, m_saveBlock, sink);
            return;
        }
        CDataFile::Write(m_store, m_strPassword, m_wLocked, m_saveBlock,
                         [&](std::string_view piece) {
                             bytes.append(piece);
                             return sink(piece);
                         });
    };
    // A new backup is a copy of the data: it takes the data file's mode.
    const FileResult result =
        ReplaceFileDurably(target, produce, ops, NewFileMode::Private,
                           target == m_strBackupPath ? m_strDataPath : std::string());
    if (result.ok) {
        if (mainFile) {
            m_bUnsaved = false;
            if (copyDue) {
                m_savedSize = bytes.size();
                KeepDatedBackup(bytes);
            }
        }
        return result;
    }
    if (mainFile) {
        if (!m_bUnsaved)
            m_timeUnsavedSince = GetClock().Now();
        m_bUnsaved = true;
        m_strLastSaveError = result.message;
    }
    return result;
}

void CPunchwellApp::ShowFileError(const FileResult& failure, bool owned) {
    if (!failure.ok)
        m_prompts->Ask(kAppCaption, failure.message, MessageIcon::Exclamation, MessageButtons::Ok,
                       owned);
}

LoadOutcome CPunchwellApp::LoadData(const std::string& path, CFileBytes* keepBytes) {
    return TakeLoad(ReadDataFileInto(ResolvePath(path), m_store, keepBytes));
}

LoadOutcome CPunchwellApp::AdoptLoad(CStore& loaded, LoadOutcome outcome) {
    m_store.Swap(loaded);
    return TakeLoad(std::move(outcome));
}

LoadOutcome CPunchwellApp::TakeLoad(LoadOutcome outcome) {
    // A file that is there but cannot be read counts as damaged: the caller falls back and
    // must not mistake it for a first run.
    if (outcome.unreadable) {
        m_bLoadFailed = true;
        return outcome;
    }
    if (!outcome.existed)
        return outcome;
    // A password set in the running program survives loading another file.
    if (outcome.read.passwordRead && m_strPassword.empty())
        m_strPassword = outcome.read.password;
    if (outcome.read.lockedRead)
        m_wLocked = outcome.read.locked;
    if (outcome.read.damaged)
        m_bLoadFailed = true;
    return outcome;
}

bool CPunchwellApp::DataFileExists(const std::string& path) const {
    return FileExists(ResolvePath(path));
}

FileResult CPunchwellApp::KeepDatedBackup(std::string_view bytes) {
    const std::optional<BackupDate> today = TakeDatedBackupTurn();
    if (!today)
        return FileResult::Success();
    FileOps& ops = m_fileOps != nullptr ? *m_fileOps : SystemFileOps();
    FileResult result =
        m_datedBackups.Keep(bytes, *today, GetBackupRetention(), m_strDataPath, ops);
    if (!result.ok)
        GiveBackDatedBackupTurn(*today);
    return result;
}

bool CPunchwellApp::DatedBackupDue() const {
    const std::optional<BackupDate> today = CDatedBackups::LocalDate(GetClock().Now());
    return today && *today != m_lastDatedBackup;
}

std::optional<BackupDate> CPunchwellApp::TakeDatedBackupTurn() {
    const std::optional<BackupDate> today = CDatedBackups::LocalDate(GetClock().Now());
    if (!today || *today == m_lastDatedBackup)
        return std::nullopt;
    m_lastDatedBackup = *today;
    return today;
}

void CPunchwellApp::GiveBackDatedBackupTurn(BackupDate day) {
    if (m_lastDatedBackup == day)
        m_lastDatedBackup = 0;
}

BackupRetention CPunchwellApp::GetBackupRetention() const {
    BackupRetention retention;
    retention.days = m_options.m_nBackupDays;
    retention.months = m_options.m_nBackupMonths;
    return retention;
}

void CPunchwellApp::SetBackupRetention(int days, int months) {
    m_options.m_nBackupDays =
        std::clamp(days, BackupRetention::kMinDays, BackupRetention::kMaxDays);
    m_options.m_nBackupMonths =
        std::clamp(months, BackupRetention::kMinMonths, BackupRetention::kMaxMonths);
    WriteOptions();
}

void CPunchwellApp::ReadOptions() {
    const COptions defaults;
    OptionsStorage& s = *m_optionsStorage;
    ReadRanged(s, "AutoSwitch", m_options.m_bAutoSwitch, defaults.m_bAutoSwitch, 0, 1);
    if (!s.ReadString("DefaultProject", m_options.m_strDefaultProject))
        m_options.m_strDefaultProject = defaults.m_strDefaultProject;
    ReadRanged(s, "WeekStart", m_options.m_wWeekStart, defaults.m_wWeekStart, 0, 6);
    ReadRanged(s, "ShowListOnStart", m_options.m_bShowListOnStart, defaults.m_bShowListOnStart, 0,
               1);
    ReadRanged(s, "AutoSave", m_options.m_bAutoSave, defaults.m_bAutoSave, 0, 1);
    ReadRanged(s, "AutoSave Seconds", m_options.m_wAutoSaveIndex, defaults.m_wAutoSaveIndex, 0, 9);
    ReadRanged(s, "Show Notes", m_options.m_bShowNotes, defaults.m_bShowNotes, 0, 1);
    ReadRanged(s, "Remind Lock", m_options.m_bRemindLock, defaults.m_bRemindLock, 0, 1);
    ReadRanged(s, "PageLines", m_options.m_wPageLines, defaults.m_wPageLines, 5, 50);
    ReadRanged(s, "IdleMinutes", m_options.m_wIdleMinutes, defaults.m_wIdleMinutes, 0,
               COptions::kMaxIdleMinutes);
    ReadRanged(s, "Backup Days", m_options.m_nBackupDays, defaults.m_nBackupDays,
               BackupRetention::kMinDays, BackupRetention::kMaxDays);
    ReadRanged(s, "Backup Months", m_options.m_nBackupMonths, defaults.m_nBackupMonths,
               BackupRetention::kMinMonths, BackupRetention::kMaxMonths);
}

void CPunchwellApp::WriteOptions() {
    OptionsStorage& s = *m_optionsStorage;
    s.WriteInt("AutoSwitch", static_cast<std::uint32_t>(m_options.m_bAutoSwitch));
    s.WriteString("DefaultProject", m_options.m_strDefaultProject);
    s.WriteInt("WeekStart", m_options.m_wWeekStart);
    s.WriteInt("ShowListOnStart", static_cast<std::uint32_t>(m_options.m_bShowListOnStart));
    s.WriteInt("AutoSave", static_cast<std::uint32_t>(m_options.m_bAutoSave));
    s.WriteInt("AutoSave Seconds", m_options.m_wAutoSaveIndex);
    s.WriteInt("Show Notes", static_cast<std::uint32_t>(m_options.m_bShowNotes));
    s.WriteInt("Remind Lock", static_cast<std::uint32_t>(m_options.m_bRemindLock));
    s.WriteInt("PageLines", m_options.m_wPageLines);
    s.WriteInt("IdleMinutes", m_options.m_wIdleMinutes);
    s.WriteInt("Backup Days", static_cast<std::uint32_t>(m_options.m_nBackupDays));
    s.WriteInt("Backup Months", static_cast<std::uint32_t>(m_options.m_nBackupMonths));
}

void CPunchwellApp::SetOptions(const COptions& options) {
    m_options = options;
    WriteOptions();
}

std::string CPunchwellApp::GetPassword() const {
    return UnscramblePassword(m_strPassword);
}

void CPunchwellApp::SetPassword(const std::string& plain) {
    m_strPassword = ScramblePassword(plain);
}
