#include "data/TextExport.h"

#include "data/Store.h"
#include "platform/LocalTime.h"

#include <string_view>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

void AppendTwoDigits(std::string& out, int value) {
    out += static_cast<char>('0' + value / 10 % 10);
    out += static_cast<char>('0' + value % 10);
}

// "MM/DD/YY HH:MM:SS" in local time. Local conversion goes through the C runtime, which is
// slow enough to dominate an export of many periods; the offset from UTC is therefore kept
// for the UTC hour last seen and reused while it holds at both ends of that hour.
class CLocalStampWriter {
public:
    void Append(std::string& out, std::int64_t time) {
        const std::int64_t hour = FloorDiv(time, 3600);
        if (!m_valid || hour != m_hour) {
            m_hour = hour;
            const auto first = Offset(hour * 3600);
            const auto last = Offset(hour * 3600 + 3599);
            m_valid = first && last && *first == *last;
            m_offset = first.value_or(0);
            if (!m_valid) {
                AppendSlow(out, time);
                return;
            }
        }
        AppendFields(out, time + m_offset);
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
        AppendTwoDigits(out, month);
        out += '/';
        AppendTwoDigits(out, day);
        out += '/';
        AppendTwoDigits(out, year2);
        out += ' ';
        AppendTwoDigits(out, hour);
        out += ':';
        AppendTwoDigits(out, minute);
        out += ':';
        AppendTwoDigits(out, second);
    }

    // An hour in which the offset changes: ask the runtime for this very second. A time the
    // runtime cannot convert at all is written in UTC rather than dropped.
    static void AppendSlow(std::string& out, std::int64_t time) {
        if (const auto local = ToLocal(time)) {
            AppendStamp(out, local->month, local->day, ((local->year % 100) + 100) % 100,
                        local->hour, local->minute, local->second);
            return;
        }
        AppendFields(out, time);
    }

    bool m_valid = false;
    std::int64_t m_hour = 0;
    std::int64_t m_offset = 0;
};

void AppendName(std::string& out, const std::string& name) {
    for (const char c : name)
        out += (c == '\r' || c == '\n') ? ' ' : c;
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

    std::string out;
    out.reserve(store.GetDoneCount() * 56);
    CLocalStampWriter stamps;
    std::unordered_set<std::string_view> written;
    for (const auto& task : store.Tasks()) {
        if (!written.insert(task->GetName()).second)
            continue;
        for (const CDoneTask* period : byProject[task->GetName()]) {
            AppendName(out, task->GetName());
            out += ',';
            stamps.Append(out, period->GetStart());
            out += ',';
            stamps.Append(out, period->GetEnd());
            out += "\r\n";
        }
    }
    return out;
}

FileResult WriteTextExport(const CStore& store, const std::string& path, FileOps& ops) {
    return ReplaceFileDurably(path, ExportDataAsText(store), ops);
}
