#include "core/data/StoreEdits.h"

#include "core/data/Store.h"

void RenameProjectPeriods(CStore& store, const std::string& oldName, const CTask& task) {
    for (const auto& period : store.DoneTasks()) {
        if (period->GetProject() == oldName)
            period->SetProject(task);
    }
}

bool DeleteProject(CStore& store, const std::string& name, bool withPeriods) {
    if (store.FindTask(name) == nullptr)
        return false;
    if (withPeriods)
        store.RemoveDoneTasksIf(
            [&](const CDoneTask& period) { return period.GetProject() == name; });
    return store.RemoveTask(name);
}

CDoneTask* FindActivePeriod(const CStore& store, const std::string& project, std::int32_t start) {
    for (const auto& period : store.DoneTasks()) {
        if (period->GetStart() == start && period->GetProject() == project && !period->IsDeleted())
            return period.get();
    }
    return nullptr;
}

std::size_t RestoreDeletedPeriods(CStore& store, const std::string& project) {
    std::size_t restored = 0;
    for (const auto& period : store.DoneTasks()) {
        if (period->GetProject() == project && period->IsDeleted()) {
            period->Restore();
            ++restored;
        }
    }
    return restored;
}
