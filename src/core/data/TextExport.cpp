#include "core/data/TextExport.h"

#include "core/data/PeriodProjectLookup.h"
#include "core/data/Store.h"
#include "core/data/Utf8Text.h"
#include "core/platform/LargeBlock.h"
#include "core/platform/LocalTime.h"
#include "core/platform/LocalTimeCache.h"

#include <cstdint>
#include <cstring>
#include <memory>
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
        // A period's start and end, and the periods after it, mostly fall on one UTC day:
        // its offset is kept at hand.
        if (static_cast<std::uint64_t>(time - m_utcDayStart) >= 86400) {
            m_utcDayStart = time - ((time % 86400) + 86400) % 86400;
            m_utcDayOffset = m_localTimes.SteadyOffset(time);
        }
        if (!m_utcDayOffset) {
            PutSlow(at, time);
            return;
        }
        const std::int64_t shifted = time + *m_utcDayOffset;
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
    // The UTC day last asked about; none at first.
    std::int64_t m_utcDayStart = INT64_MIN / 2;
    std::optional<std::int64_t> m_utcDayOffset;
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

// Where every line of the export goes, worked out before a byte is written. All lines of a
// project are the same length (its name, then two stamps of fixed width), so the k-th period
// of a project starts at that project's first line plus k lines: one walk over the periods
// in list order writes each line straight into its place, without grouping them first.
class CExportLayout {
public:
    explicit CExportLayout(const CStore& store) {
        // Each project once, in list order, with the text its lines begin with.
        std::unordered_map<std::string_view, std::uint32_t> projectIndex;
        projectIndex.reserve(store.GetTaskCount());
        for (const auto& task : store.Tasks())
            if (projectIndex.try_emplace(task->GetName(), m_prefixes.size()).second)
                m_prefixes.push_back(LinePrefix(ToValidUtf8(task->GetName())));

        // Each period's project, found once; a period of no listed project is left out.
        m_projectOfPeriod.reserve(store.GetDoneCount());
        std::vector<std::size_t> counts(m_prefixes.size(), 0);
        CPeriodProjectLookup projectOf(kNoProject, [&](const std::string& name) {
            const auto found = projectIndex.find(name);
            return found != projectIndex.end() ? found->second : kNoProject;
        });
        for (const auto& period : store.DoneTasks()) {
            const std::uint32_t project = projectOf.Of(*period);
            m_projectOfPeriod.push_back(project);
            if (project != kNoProject)
                ++counts[project];
        }
        m_firstLine.resize(m_prefixes.size());
        for (std::size_t i = 0; i < m_prefixes.size(); ++i) {
            m_firstLine[i] = m_size;
            m_size += LineSize(i) * counts[i];
        }
    }

    std::size_t Size() const { return m_size; }

    // Writes all Size() bytes at `out`.
    void Write(const CStore& store, char* out) const {
        std::vector<char*> next(m_prefixes.size());
        for (std::size_t i = 0; i < m_prefixes.size(); ++i)
            next[i] = out + m_firstLine[i];
        CLocalStampWriter stamps;
        std::size_t index = 0;
        for (const auto& period : store.DoneTasks()) {
            const std::uint32_t project = m_projectOfPeriod[index++];
            if (project == kNoProject)
                continue;
            const std::string& prefix = m_prefixes[project];
            char* at = next[project];
            std::memcpy(at, prefix.data(), prefix.size());
            at += prefix.size();
            stamps.Put(at, period->GetStart());
            at += CLocalStampWriter::kSize;
            *at++ = ',';
            stamps.Put(at, period->GetEnd());
            at += CLocalStampWriter::kSize;
            *at++ = '\r';
            *at++ = '\n';
            next[project] = at;
        }
    }

private:
    static constexpr std::uint32_t kNoProject = UINT32_MAX;
    static constexpr std::size_t kStampsAndLineEnd =
        CLocalStampWriter::kSize + 1 + CLocalStampWriter::kSize + 2;

    std::size_t LineSize(std::size_t project) const {
        return m_prefixes[project].size() + kStampsAndLineEnd;
    }

    std::vector<std::string> m_prefixes;
    std::vector<std::uint32_t> m_projectOfPeriod;
    std::vector<std::size_t> m_firstLine;
    std::size_t m_size = 0;
};

} // namespace

CTextExport::CTextExport(const CStore& store) {
    // The buffer is written whole before it is read: no need to clear it first.
    const CExportLayout layout(store);
    m_size = layout.Size();
    m_bytes = CLargeBlock(m_size);
    layout.Write(store, m_bytes.Data());
}

CTextExport::~CTextExport() = default;

std::string ExportDataAsText(const CStore& store) {
    return std::string(CTextExport(store).Bytes());
}

FileResult WriteTextExport(const CStore& store, const std::string& path, FileOps& ops) {
    const CTextExport text(store);
    return ReplaceFileDurably(path, text.Bytes(), ops, NewFileMode::ForPeople);
}
