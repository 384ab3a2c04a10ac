#include "core/app/DatedBackups.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/platform/Directory.h"
#include "core/platform/LocalTime.h"

#include <algorithm>
#include <array>
#include <chrono>
#include <map>

namespace {

constexpr std::string_view kPrefix = "timedata-";
constexpr std::string_view kSuffix = ".pnd";

int Year(BackupDate date) {
    return date / 10000;
}
int Month(BackupDate date) {
    return date / 100 % 100;
}
int Day(BackupDate date) {
    return date % 100;
}

// Days since 1970-01-01 of a proleptic Gregorian date (H. Hinnant's days_from_civil).
long long DayNumber(BackupDate date) {
    long long y = Year(date);
    const int m = Month(date);
    const int d = Day(date);
    y -= m <= 2 ? 1 : 0;
    const long long era = (y >= 0 ? y : y - 399) / 400;
    const long long yoe = y - era * 400;
    const long long doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
    const long long doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + doe - 719468;
}

long long MonthNumber(BackupDate date) {
    return static_cast<long long>(Year(date)) * 12 + Month(date) - 1;
}

bool IsRealDate(int year, int month, int day) {
    static const int kDays[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (year < 1 || month < 1 || month > 12 || day < 1)
        return false;
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return day <= kDays[month - 1] + (month == 2 && leap ? 1 : 0);
}

} // namespace

CDatedBackups::CDatedBackups(const std::string& dataDirectory)
    : m_folder(JoinPath(dataDirectory, kFolderName)) {}

std::string CDatedBackups::PathFor(BackupDate date) const {
    std::string digits = std::to_string(date);
    digits.insert(0, digits.size() < 8 ? 8 - digits.size() : 0, '0');
    return JoinPath(m_folder, std::string(kPrefix) + digits + std::string(kSuffix));
}

std::optional<BackupDate> CDatedBackups::ParseName(std::string_view name) {
    if (name.size() != kPrefix.size() + 8 + kSuffix.size() || !name.starts_with(kPrefix) ||
        !name.ends_with(kSuffix))
        return std::nullopt;
    const std::string_view digits = name.substr(kPrefix.size(), 8);
    if (!std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return std::nullopt;
    const BackupDate date = std::stoi(std::string(digits));
    if (!IsRealDate(Year(date), Month(date), Day(date)))
        return std::nullopt;
    return date;
}

std::optional<BackupDate> CDatedBackups::LocalDate(std::int64_t time) {
    const std::optional<LocalDateTime> local = ToLocal(time);
    if (!local || local->year < 1 || local->year > 9999)
        return std::nullopt;
    return local->year * 10000 + local->month * 100 + local->day;
}

std::vector<DatedCopy> CDatedBackups::List() const {
    std::vector<DatedCopy> copies;
    for (const std::string& name : ListFileNames(m_folder))
        if (const std::optional<BackupDate> date = ParseName(name))
            copies.push_back({JoinPath(m_folder, name), *date});
    std::sort(copies.begin(), copies.end(),
              [](const DatedCopy& a, const DatedCopy& b) { return a.date > b.date; });
    return copies;
}

std::set<BackupDate> CDatedBackups::DatesToKeep(const std::vector<BackupDate>& dates,
                                                BackupDate today,
                                                const BackupRetention& retention) {
    std::set<BackupDate> keep;
    const long long todayDay = DayNumber(today);
    const long long todayMonth = MonthNumber(today);
    std::map<long long, BackupDate> newestOfMonth;
    for (const BackupDate date : dates) {
        const long long age = todayDay - DayNumber(date);
        if (age < 0 || age < retention.days)
            keep.insert(date);
        if (age >= 0) {
            BackupDate& newest = newestOfMonth[MonthNumber(date)];
            newest = std::max(newest, date);
        }
    }
    for (const auto& [month, newest] : newestOfMonth)
        if (todayMonth - month < retention.months)
            keep.insert(newest);
    return keep;
}

FileResult CDatedBackups::Keep(std::string_view bytes, BackupDate today,
                               const BackupRetention& retention, const std::string& permissionsFrom,
                               FileOps& ops) const {
    if (const int error = MakeDirectory(m_folder))
        return FileResult::Failure(DescribeFileError(error, m_folder));
    const std::string path = PathFor(today);
    if (!FileExists(path)) {
        // A copy of the data: it takes the data file's mode.
        FileResult written =
            ReplaceFileDurably(path, bytes, ops, NewFileMode::Private, permissionsFrom);
        if (!written.ok)
            return written;
    }

    const std::vector<DatedCopy> copies = List();
    std::vector<BackupDate> dates;
    for (const DatedCopy& copy : copies)
        dates.push_back(copy.date);
    const std::set<BackupDate> keep = DatesToKeep(dates, today, retention);
    for (const DatedCopy& copy : copies)
        if (keep.count(copy.date) == 0)
            ops.Remove(copy.path); // one left behind goes at the next day's turn
    return FileResult::Success();
}

DatedCopySummary CDatedBackups::Summarize(const DatedCopy& copy) {
    DatedCopySummary summary;
    summary.copy = copy;
    std::string bytes;
    switch (ReadWholeFile(copy.path, bytes, summary.error)) {
    case ReadStatus::Missing:
        summary.error = "The file " + copy.path + " could not be found.";
        return summary;
    case ReadStatus::Error:
        return summary;
    case ReadStatus::Ok:
        break;
    }
    CStore store;
    const DataFileReadResult read = CDataFile::Read(bytes, store);
    summary.readable = true;
    summary.damaged = read.damaged;
    summary.projects = store.GetTaskCount();
    summary.periods = store.GetDoneCount();
    for (const auto& period : store.DoneTasks())
        if (!summary.lastPeriodStart || period->GetStart() > *summary.lastPeriodStart)
            summary.lastPeriodStart = period->GetStart();
    return summary;
}

std::string CDatedBackups::DateText(BackupDate date) {
    static constexpr std::array<const char*, 7> kWeekdays = {
        "Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
    static constexpr std::array<const char*, 12> kMonths = {
        "January", "February", "March",     "April",   "May",      "June",
        "July",    "August",   "September", "October", "November", "December"};
    const std::chrono::year_month_day day{std::chrono::year(Year(date)),
                                          std::chrono::month(static_cast<unsigned>(Month(date))),
                                          std::chrono::day(static_cast<unsigned>(Day(date)))};
    if (!day.ok())
        return std::to_string(date);
    const std::chrono::weekday weekday{std::chrono::sys_days(day)};
    return std::string(kWeekdays[weekday.c_encoding()]) + ", " +
           kMonths[static_cast<unsigned>(day.month()) - 1] + " " +
           std::to_string(static_cast<unsigned>(day.day())) + ", " +
           std::to_string(static_cast<int>(day.year()));
}
