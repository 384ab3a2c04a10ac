#pragma once

#include "core/platform/FileSystem.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <set>
#include <string>
#include <string_view>
#include <vector>

class FileOps;

// How many dated copies are kept: one for each of the last `days` days, and the newest copy
// of each of the last `months` calendar months (the current month included).
struct BackupRetention {
    static constexpr int kDefaultDays = 30;
    static constexpr int kDefaultMonths = 12;
    static constexpr int kMinDays = 1; // today's copy is never removed as soon as it is made
    static constexpr int kMaxDays = 3650;
    static constexpr int kMinMonths = 0;
    static constexpr int kMaxMonths = 120;

    int days = kDefaultDays;
    int months = kDefaultMonths;
};

// A local calendar date as the number YYYYMMDD.
using BackupDate = int;

struct DatedCopy {
    std::string path;
    BackupDate date = 0;
};

// What one dated copy holds, for choosing one to restore.
struct DatedCopySummary {
    DatedCopy copy;
    bool readable = false; // false: `error` says why
    bool damaged = false;  // only the records before the damage were counted
    std::size_t projects = 0;
    std::size_t periods = 0;
    std::optional<std::int32_t> lastPeriodStart; // the newest period's start, if any
    std::string error;
};

// The dated copies of the main data file in the data folder's "backups" folder, named
// timedata-YYYYMMDD.pnd: one for each day the program is used, written from the bytes of a
// data file that read correctly, so that a mistake noticed weeks later can still be undone.
// Safe to use from any one thread at a time; it holds no state beyond its folder.
class CDatedBackups {
public:
    static constexpr const char* kFolderName = "backups";

    explicit CDatedBackups(const std::string& dataDirectory);

    const std::string& Folder() const { return m_folder; }
    std::string PathFor(BackupDate date) const;

    // The copies in the folder, newest first. Files of any other name are not ours and are
    // never listed, counted or removed.
    std::vector<DatedCopy> List() const;

    // Writes the copy for `today` from `bytes` unless there is one, giving it the
    // permissions of `permissionsFrom` (the main data file), then removes the copies that
    // `retention` no longer keeps. An existing copy of the day is never overwritten: it
    // holds the data as the day began.
    FileResult Keep(std::string_view bytes, BackupDate today, const BackupRetention& retention,
                    const std::string& permissionsFrom, FileOps& ops) const;

    // The dates among `dates` that `retention` keeps on `today`. Dates after today (a clock
    // that was set back) are kept: nothing is removed that the rule cannot place.
    static std::set<BackupDate> DatesToKeep(const std::vector<BackupDate>& dates, BackupDate today,
                                            const BackupRetention& retention);

    // YYYYMMDD of `time` in local time; empty when the runtime cannot convert it.
    static std::optional<BackupDate> LocalDate(std::int64_t time);
    // The number of `name` when it is exactly "timedata-YYYYMMDD.pnd" with a real date.
    static std::optional<BackupDate> ParseName(std::string_view name);

    static DatedCopySummary Summarize(const DatedCopy& copy);
    // "Thursday, December 10, 2026" for YYYYMMDD, as the copies are named to the person.
    static std::string DateText(BackupDate date);

private:
    std::string m_folder;
};
