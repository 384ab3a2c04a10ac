#include "core/data/RunningPeriods.h"

#include "core/data/DoneTask.h"
#include "core/data/Store.h"

std::size_t KeepOneRunningPeriod(CStore& store, const CDoneTask* current) {
    const CDoneTask* keep = nullptr;
    for (const auto& period : store.DoneTasks()) {
        if (period.get() == current) {
            keep = current;
            break;
        }
        if (period->IsRunning() && (keep == nullptr || period->GetStart() > keep->GetStart()))
            keep = period.get();
    }
    std::size_t ended = 0;
    for (const auto& period : store.DoneTasks()) {
        if (period.get() != keep && period->IsRunning()) {
            // Not timed since it was saved: it ends where its last save left it.
            period->SetRunningFlag(0);
            ++ended;
        }
    }
    return ended;
}
