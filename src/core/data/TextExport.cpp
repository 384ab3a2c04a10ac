#include "core/data/TextExport.h"

#include "core/data/Store.h"
#include "core/data/Utf8Text.h"
#include "core/platform/LocalTime.h"

#include <limits>
#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

void PutTwoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// "MM/DD/YY HH:MM:SS" in local time. Local conversion goes through the C runtime, which is
// slow enough to dominate an export of many periods; the offset from UTC is therefore found
// once for each UTC day and reused when it is the same at both ends of that day (no zone
// changes its offset and back within a day). On a day with a change the runtime is asked for
// every second written.
class CLocalStampWriter {
public:
    void Append(std::string& out, std::int64_t time) {
        const std::int64_t day = FloorDiv(time, 86400);
        if (day != m_lastDay || !m_haveLast) {
            auto it = m_days.find(day);
            if (it == m_days.end()) {
                const auto first = Offset(day * 86400);
                const auto last = Offset(day * 86400 + 86399);
                const bool steady = first && last && *first == *last;
                it = m_days.emplace(day, steady ? *first : kUnsteady).first;
            }
            m_haveLast = true;
            m_lastDay = day;
            m_lastOffset = it->second;
        }
        if (m_lastOffset != kUnsteady)
            AppendFields(out, time + m_lastOffset);
        else
            AppendSlow(out, time);
    }

private:
    static std::int64_t FloorDiv(std::int64_t a, std::int64_t b) {
        return a / b - (a % b < 0 ? 1 : 0);
    }

    // Days since 1970-01-01 of a proleptic Gregorian date, and back.
    static std::int64_t DaysFromCivil(std::int64_t y, int m, int d) {
        y -= m <= 2;
        const std::int64_t era = FloorDiv(y, 400);
        const std::int64_t yoe = y - era * 400;
        const std::int64_t doy = (153 * (m + (m > 2 ? -3 : 9)) + 2) / 5 + d - 1;
        const std::int64_t doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + doe - 719468;
    }

    // Local time minus UTC at `time`, in seconds; empty when the runtime cannot convert it.
    static std::optional<std::int64_t> Offset(std::int64_t time) {
        const auto local = ToLocal(time);
        if (!local)
            return std::nullopt;
        const std::int64_t asUtc = DaysFromCivil(local->year, local->month, local->day) * 86400 +
                                   local->hour * 3600 + local->minute * 60 + local->second;
        return asUtc - time;
    }

    // Writes the calendar fields of `shifted`, a local time counted as if it were UTC.
    static void AppendFields(std::string& out, std::int64_t shifted) {
        const std::int64_t days = FloorDiv(shifted, 86400);
        const std::int64_t secondOfDay = shifted - days * 86400;
        const std::int64_t z = days + 719468;
        const std::int64_t era = FloorDiv(z, 146097);
        const std::int64_t doe = z - era * 146097;
        const std::int64_t yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
        const std::int64_t doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
        const std::int64_t mp = (5 * doy + 2) / 153;
        const int day = static_cast<int>(doy - (153 * mp + 2) / 5 + 1);
        const int month = static_cast<int>(mp < 10 ? mp + 3 : mp - 9);
        const std::int64_t year = yoe + era * 400 + (month <= 2 ? 1 : 0);
        AppendStamp(out, month, day, static_cast<int>(((year % 100) + 100) % 100),
                    static_cast<int>(secondOfDay / 3600), static_cast<int>(secondOfDay / 60 % 60),
                    static_cast<int>(secondOfDay % 60));
    }

    static void AppendStamp(std::string& out, int month, int day, int year2, int hour, int minute,
                            int second) {
        char stamp[17] = {'0', '0', '/', '0', '0', '/', '0', '0', ' ',
                          '0', '0', ':', '0', '0', ':', '0', '0'};
        PutTwoDigits(stamp, month);
        PutTwoDigits(stamp + 3, day);
        PutTwoDigits(stamp + 6, year2);
        PutTwoDigits(stamp + 9, hour);
        PutTwoDigits(stamp + 12, minute);
        PutTwoDigits(stamp + 15, second);
        out.append(stamp, sizeof stamp);
    }

    // A day on which the offset changes: ask the runtime for this very second. A time the
    // runtime cannot convert at all is written in UTC rather than dropped.
    static void AppendSlow(std::string& out, std::int64_t time) {
        if (const auto local = ToLocal(time)) {
            AppendStamp(out, local->month, local->day, ((local->year % 100) + 100) % 100,
                        local->hour, local->minute, local->second);
            return;
        }
        AppendFields(out, time);
    }

    static constexpr std::int64_t kUnsteady = std::numeric_limits<std::int64_t>::min();
    std::unordered_map<std::int64_t, std::int64_t> m_days; // UTC day -> offset or kUnsteady
    bool m_haveLast = false;
    std::int64_t m_lastDay = 0;
    std::int64_t m_lastOffset = 0;
};

// The name as the line begins with it, comma included.
std::string LinePrefix(const std::string& name) {
    std::string prefix = name;
    for (char& c : prefix) {
        if (c == '\r' || c == '\n')
            c = ' ';
    }
    prefix += ',';
    return prefix;
}

} // namespace

std::string ExportDataAsText(const CStore& store) {
    // Each project's periods in list order, found in one pass over the periods.
    std::unordered_map<std::string_view, std::vector<const CDoneTask*>> byProject;
    byProject.reserve(store.GetTaskCount());
    for (const auto& task : store.Tasks())
        byProject.try_emplace(task->GetName());
    for (const auto& period : store.DoneTasks()) {
        const auto it = byProject.find(period->GetProject());
        if (it != byProject.end())
            it->second.push_back(period.get());
    }

    // The exact size up front: the text is written into its buffer once, never moved.
    constexpr std::size_t kStampsAndLineEnd = 17 + 1 + 17 + 2;
    std::size_t size = 0;
    {
        std::unordered_set<std::string_view> counted;
        for (const auto& task : store.Tasks()) {
            if (counted.insert(task->GetName()).second)
                size += (task->GetName().size() + 1 + kStampsAndLineEnd) *
                        byProject[task->GetName()].size();
        }
    }
    std::string out;
    out.reserve(size);
    CLocalStampWriter stamps;
    std::unordered_set<std::string_view> written;
    for (const auto& task : store.Tasks()) {
        if (!written.insert(task->GetName()).second)
            continue;
        const std::string prefix = LinePrefix(ToValidUtf8(task->GetName()));
        for (const CDoneTask* period : byProject[task->GetName()]) {
            out += prefix;
            stamps.Append(out, period->GetStart());
            out += ',';
            stamps.Append(out, period->GetEnd());
            out += "\r\n";
        }
    }
    return out;
}

FileResult WriteTextExport(const CStore& store, const std::string& path, FileOps& ops) {
    return ReplaceFileDurably(path, ExportDataAsText(store), ops, NewFileMode::ForPeople);
}
