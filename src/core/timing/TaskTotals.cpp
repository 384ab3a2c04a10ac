#include "core/timing/TaskTotals.h"

#include "core/data/PeriodProjectLookup.h"
#include "core/data/Store.h"

#include <algorithm>
#include <array>
#include <optional>
#include <string_view>
#include <unordered_map>

std::int64_t ClippedSeconds(std::int64_t start, std::int64_t end, std::int64_t from,
                            std::int64_t to) {
    if (start >= from && end <= to)
        return end - start;
    if (start <= to && end >= from)
        return std::min(end, to) - std::max(start, from);
    return 0;
}

CTaskTotals::CTaskTotals(const CStore& store, std::string projectName)
    : m_store(store), m_strName(std::move(projectName)) {}

CTaskTotals::CTaskTotals(const CStore& store, const CTask& task)
    : CTaskTotals(store, task.GetName()) {}

std::int64_t CTaskTotals::GetTimeInRange(std::int64_t from, std::int64_t to) const {
    std::int64_t sum = 0;
    for (const auto& period : m_store.DoneTasks()) {
        if (period->IsDeleted() || period->GetProject() != m_strName)
            continue;
        sum += ClippedSeconds(period->GetStart(), period->GetEnd(), from, to);
    }
    return sum;
}

std::int64_t CTaskTotals::GetPeriodTime(PeriodKind kind, std::int64_t now,
                                        unsigned weekStart) const {
    const std::optional<TimeRange> range = PeriodRange(kind, now, weekStart);
    return range ? GetTimeInRange(range->from, range->to) : 0;
}

std::int64_t CTaskTotals::GetTotalTime() const {
    std::int64_t sum = 0;
    for (const auto& period : m_store.DoneTasks()) {
        if (!period->IsDeleted() && period->GetProject() == m_strName)
            sum += period->GetDuration();
    }
    return sum;
}

std::int64_t CTaskTotals::GetFirstStart(std::int64_t now) const {
    std::int64_t first = now;
    for (const auto& period : m_store.DoneTasks()) {
        if (!period->IsDeleted() && period->GetProject() == m_strName)
            first = std::min<std::int64_t>(first, period->GetStart());
    }
    return first;
}

std::vector<ProjectTotals> ComputeAllTotals(const CStore& store, std::int64_t now,
                                            unsigned weekStart) {
    std::vector<ProjectTotals> totals;
    totals.reserve(store.GetTaskCount());
    // Several projects of one name can only come from a file written elsewhere; each of
    // them shows the same figures, as each would when asked alone.
    std::unordered_map<std::string_view, std::vector<std::size_t>> byName;
    for (const auto& task : store.Tasks()) {
        byName[task->GetName()].push_back(totals.size());
        totals.push_back(ProjectTotals{task->GetName()});
    }

    std::array<std::optional<TimeRange>, 4> ranges;
    for (int kind = 0; kind < 4; ++kind)
        ranges[kind] = PeriodRange(static_cast<PeriodKind>(kind), now, weekStart);

    static const std::vector<std::size_t> kNoProject;
    CPeriodProjectLookup indexesOf(&kNoProject, [&](const std::string& name) {
        const auto found = byName.find(name);
        return found != byName.end() ? &found->second : &kNoProject;
    });
    for (const auto& period : store.DoneTasks()) {
        if (period->IsDeleted())
            continue;
        const std::vector<std::size_t>& indexes = *indexesOf.Of(*period);
        if (indexes.empty())
            continue;
        const std::int64_t start = period->GetStart();
        const std::int64_t end = period->GetEnd();
        std::array<std::int64_t, 4> parts{};
        for (int kind = 0; kind < 4; ++kind) {
            if (ranges[kind])
                parts[kind] = ClippedSeconds(start, end, ranges[kind]->from, ranges[kind]->to);
        }
        for (const std::size_t index : indexes) {
            ProjectTotals& t = totals[index];
            t.today += parts[0];
            t.week += parts[1];
            t.month += parts[2];
            t.year += parts[3];
            t.total += end - start;
        }
    }
    return totals;
}
