#include "core/data/PeriodCorrection.h"

#include "core/data/Store.h"

#include <algorithm>
#include <memory>
#include <set>

namespace {

CDoneTask* FindByKey(const CStore& store, const CDoneTask& wanted) {
    for (const auto& period : store.DoneTasks())
        if (period->GetStart() == wanted.GetStart() && period->GetProject() == wanted.GetProject())
            return period.get();
    return nullptr;
}

std::size_t PositionOf(const CStore& store, const CDoneTask* record) {
    std::size_t position = 0;
    for (const auto& period : store.DoneTasks()) {
        if (period.get() == record)
            break;
        ++position;
    }
    return position;
}

} // namespace

bool CPeriodCorrection::Apply(CStore& store) {
    return Carry(store, true);
}

bool CPeriodCorrection::Undo(CStore& store) {
    return Carry(store, false);
}

bool CPeriodCorrection::Carry(CStore& store, bool forward) {
    if (m_changes.empty())
        return false;
    const auto from = [forward](const Change& c) -> const std::optional<CDoneTask>& {
        return forward ? c.before : c.after;
    };
    const auto to = [forward](const Change& c) -> const std::optional<CDoneTask>& {
        return forward ? c.after : c.before;
    };

    // Find every record first, so that nothing changes unless everything fits.
    std::vector<CDoneTask*> records(m_changes.size(), nullptr);
    std::set<const CDoneTask*> leaving;
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        if (!from(m_changes[i]))
            continue;
        records[i] = FindByKey(store, *from(m_changes[i]));
        if (records[i] == nullptr || !leaving.insert(records[i]).second)
            return false;
    }
    // Every start second the result holds must be free, apart from the records this very
    // correction replaces or removes.
    std::set<std::int32_t> starts;
    for (const Change& change : m_changes) {
        if (!to(change))
            continue;
        const std::int32_t start = to(change)->GetStart();
        if (!starts.insert(start).second)
            return false;
        for (const auto& period : store.DoneTasks())
            if (period->GetStart() == start && leaving.count(period.get()) == 0)
                return false;
    }

    // Records taken out are put back where they stood: the additions of an Apply are the
    // removals of its Undo and the other way round, so the list comes back in its order.
    const std::vector<std::size_t> putBack = forward ? std::vector<std::size_t>() : m_removedAt;
    std::vector<std::size_t> removedAt;
    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        const std::optional<CDoneTask>& target = to(m_changes[i]);
        if (records[i] == nullptr)
            continue;
        if (target) {
            *records[i] = *target; // in place: the record keeps its position in the list
            continue;
        }
        removedAt.push_back(PositionOf(store, records[i]));
        store.RemoveDoneTask(records[i]);
    }
    std::size_t next = putBack.size();
    for (auto it = m_changes.rbegin(); it != m_changes.rend(); ++it) {
        if (from(*it) || !to(*it))
            continue;
        auto added = std::make_unique<CDoneTask>(*to(*it));
        if (next > 0)
            store.InsertDoneTask(putBack[--next], added);
        else
            store.AddDoneTask(added);
    }
    m_removedAt = std::move(removedAt);
    return true;
}
