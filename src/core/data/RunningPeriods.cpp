#include "core/data/RunningPeriods.h"

#include "core/data/DoneTask.h"
#include "core/data/Store.h"

std::size_t KeepOneRunningPeriod(CStore& store, const CDoneTask* current, CDoneTask** running) {
    CDoneTask* keep = nullptr;
    bool currentFound = false;
    std::size_t runningCount = 0;
    for (const auto& period : store.DoneTasks()) {
        if (period->IsRunning())
            ++runningCount;
        if (period.get() == current) {
            keep = period.get();
            currentFound = true;
        } else if (!currentFound && period->IsRunning() &&
                   (keep == nullptr || period->GetStart() > keep->GetStart())) {
            keep = period.get();
        }
    }
    const bool keepRuns = keep != nullptr && keep->IsRunning();
    if (running != nullptr)
        *running = keepRuns ? keep : nullptr;
    // Mostly there is none or just the one: a store of years is not walked a second time.
    if (runningCount == (keepRuns ? 1u : 0u))
        return 0;
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
