#include "data/PeriodCorrection.h"

#include "data/Store.h"

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

} // namespace

bool CPeriodCorrection::Apply(CStore& store) const {
    return Carry(store, true);
}

bool CPeriodCorrection::Undo(CStore& store) const {
    return Carry(store, false);
}

bool CPeriodCorrection::Carry(CStore& store, bool forward) const {
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

    for (std::size_t i = 0; i < m_changes.size(); ++i) {
        const std::optional<CDoneTask>& target = to(m_changes[i]);
        if (records[i] != nullptr && target)
            *records[i] = *target; // in place: the record keeps its position in the list
        else if (records[i] != nullptr)
            store.RemoveDoneTask(records[i]);
    }
    for (const Change& change : m_changes) {
        if (from(change) || !to(change))
            continue;
        auto added = std::make_unique<CDoneTask>(*to(change));
        store.AddDoneTask(added);
    }
    return true;
}
