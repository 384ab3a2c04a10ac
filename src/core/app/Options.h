#pragma once

#include <cstdint>
#include <string>

// The user options with their defaults. Names are the stored value names.
struct COptions {
    static constexpr int kMaxIdleMinutes = 480;

    int m_bAutoSwitch = 0;              // "AutoSwitch"
    std::string m_strDefaultProject;    // "DefaultProject"
    std::uint16_t m_wWeekStart = 0;     // "WeekStart", 0 = Sunday .. 6 = Saturday
    int m_bShowListOnStart = 1;         // "ShowListOnStart"
    int m_bAutoSave = 1;                // "AutoSave"
    std::uint16_t m_wAutoSaveIndex = 4; // "AutoSave Seconds": minutes - 1
    int m_bShowNotes = 1;               // "Show Notes"
    int m_bRemindLock = 1;              // "Remind Lock"
    std::uint16_t m_wPageLines = 15;    // "PageLines"
    // Time away from the computer longer than this is asked about on return; 0 = never.
    std::uint16_t m_wIdleMinutes = 15; // "IdleMinutes"
    // How many dated copies of the data file are kept (see CDatedBackups).
    int m_nBackupDays = 30;   // "Backup Days": one copy for each of the last N days
    int m_nBackupMonths = 12; // "Backup Months": and the newest of each of the last N months
};

// Where the options are kept: the registry on Windows, a settings file elsewhere. Reads
// report a missing or unreadable value as empty; writes that fail are ignored.
class OptionsStorage {
public:
    virtual ~OptionsStorage() = default;
    virtual bool ReadInt(const std::string& name, std::int64_t& value) = 0;
    virtual bool ReadString(const std::string& name, std::string& value) = 0;
    virtual void WriteInt(const std::string& name, std::uint32_t value) = 0;
    virtual void WriteString(const std::string& name, const std::string& value) = 0;
};

// Options kept nowhere: nothing reads back (so every option has its default) and writes are
// dropped. An app keeps its options here until it is given a real storage.
class CNoOptionsStorage final : public OptionsStorage {
public:
    bool ReadInt(const std::string&, std::int64_t&) override { return false; }
    bool ReadString(const std::string&, std::string&) override { return false; }
    void WriteInt(const std::string&, std::uint32_t) override {}
    void WriteString(const std::string&, const std::string&) override {}
};
