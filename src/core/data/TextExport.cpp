#include "core/data/TextExport.h"

#include "core/data/PeriodProjectLookup.h"
#include "core/data/Store.h"
#include "core/data/Utf8Text.h"
#include "core/platform/LocalTime.h"
#include "core/platform/LocalTimeCache.h"

#include <cstdint>
#include <cstring>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

void PutTwoDigits(char* at, int value) {
    at[0] = static_cast<char>('0' + value / 10 % 10);
    at[1] = static_cast<char>('0' + value % 10);
}

// "MM/DD/YY HH:MM:SS" in local time, the date's text made once for each local day.
class CLocalStampWriter {
public:
    static constexpr std::size_t kSize = 17;

    // Writes the stamp of `time` at `at`, kSize characters.
    void Put(char* at, std::int64_t time) {
        const std::optional<std::int64_t> offset = m_localTimes.SteadyOffset(time);
        if (!offset) {
            PutSlow(at, time);
            return;
        }
        const std::int64_t shifted = time + *offset;
        const std::int64_t secondOfDay = ((shifted % 86400) + 86400) % 86400;
        const std::int64_t localDay = (shifted - secondOfDay) / 86400;
        if (localDay != m_dateDay || !m_haveDate) {
            const LocalDateTime date = CLocalTimeCache::FieldsOf(shifted);
            PutDate(m_date, date.month, date.day, date.year);
            m_dateDay = localDay;
            m_haveDate = true;
        }
        std::memcpy(at, m_date, 9);
        const auto second = static_cast<int>(secondOfDay);
        PutTime(at + 9, second / 3600, second / 60 % 60, second % 60);
    }

private:
    // "MM/DD/YY ".
    static void PutDate(char* at, int month, int day, int year) {
        PutTwoDigits(at, month);
        at[2] = '/';
        PutTwoDigits(at + 3, day);
        at[5] = '/';
        PutTwoDigits(at + 6, ((year % 100) + 100) % 100);
        at[8] = ' ';
    }

    static void PutTime(char* at, int hour, int minute, int second) {
        PutTwoDigits(at, hour);
        at[2] = ':';
        PutTwoDigits(at + 3, minute);
        at[5] = ':';
        PutTwoDigits(at + 6, second);
    }

    // A day on which the offset changes: the runtime's answer for this very second. A time
    // the runtime cannot convert at all is written in UTC rather than dropped.
    static void PutSlow(char* at, std::int64_t time) {
        const std::optional<LocalDateTime> converted = ToLocal(time);
        const LocalDateTime local = converted ? *converted : CLocalTimeCache::FieldsOf(time);
        PutDate(at, local.month, local.day, local.year);
        PutTime(at + 9, local.hour, local.minute, local.second);
    }

    CLocalTimeCache m_localTimes;
    char m_date[9] = {};
    std::int64_t m_dateDay = 0;
    bool m_haveDate = false;
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
    // Each project once, in list order, with the text its lines begin with.
    std::vector<std::string> prefixes;
    std::unordered_map<std::string_view, std::uint32_t> projectIndex;
    projectIndex.reserve(store.GetTaskCount());
    for (const auto& task : store.Tasks())
        if (projectIndex.try_emplace(task->GetName(), prefixes.size()).second)
            prefixes.push_back(LinePrefix(ToValidUtf8(task->GetName())));

    // Each period's project and times, in list order, found in one pass; a period of no
    // listed project is left out.
    constexpr std::uint32_t kNoProject = UINT32_MAX;
    struct Entry {
        std::uint32_t project;
        std::int32_t start;
        std::int32_t end;
    };
    std::vector<Entry> entries;
    entries.reserve(store.GetDoneCount());
    std::vector<std::size_t> counts(prefixes.size() + 1, 0);
    CPeriodProjectLookup projectOf(kNoProject, [&](const std::string& name) {
        const auto found = projectIndex.find(name);
        return found != projectIndex.end() ? found->second : kNoProject;
    });
    for (const auto& period : store.DoneTasks()) {
        const std::uint32_t project = projectOf.Of(*period);
        if (project == kNoProject)
            continue;
        entries.push_back({project, period->GetStart(), period->GetEnd()});
        ++counts[project + 1];
    }
    // Grouped by project, each project's periods still in list order.
    for (std::size_t i = 1; i < counts.size(); ++i)
        counts[i] += counts[i - 1];
    struct Times {
        std::int32_t start;
        std::int32_t end;
    };
    std::vector<Times> grouped(entries.size());
    std::vector<std::size_t> next(counts.begin(), counts.end() - 1);
    for (const Entry& entry : entries)
        grouped[next[entry.project]++] = {entry.start, entry.end};

    // The exact size up front: the text is written into its buffer once, never moved, and
    // through a pointer, with no growth check for each piece.
    constexpr std::size_t kStampsAndLineEnd =
        CLocalStampWriter::kSize + 1 + CLocalStampWriter::kSize + 2;
    std::size_t size = 0;
    for (std::size_t i = 0; i < prefixes.size(); ++i)
        size += (prefixes[i].size() + kStampsAndLineEnd) * (counts[i + 1] - counts[i]);
    std::string out(size, '\0');
    char* at = out.data();
    CLocalStampWriter stamps;
    for (std::size_t i = 0; i < prefixes.size(); ++i) {
        const std::string& prefix = prefixes[i];
        for (std::size_t k = counts[i]; k < counts[i + 1]; ++k) {
            std::memcpy(at, prefix.data(), prefix.size());
            at += prefix.size();
            stamps.Put(at, grouped[k].start);
            at += CLocalStampWriter::kSize;
            *at++ = ',';
            stamps.Put(at, grouped[k].end);
            at += CLocalStampWriter::kSize;
            *at++ = '\r';
            *at++ = '\n';
        }
    }
    out.resize(static_cast<std::size_t>(at - out.data()));
    return out;
}

FileResult WriteTextExport(const CStore& store, const std::string& path, FileOps& ops) {
    return ReplaceFileDurably(path, ExportDataAsText(store), ops, NewFileMode::ForPeople);
}
