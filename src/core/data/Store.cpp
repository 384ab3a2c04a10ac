#include "core/data/Store.h"

#include <algorithm>
#include <iterator>

CTask* CStore::FindTask(const std::string& name) const {
    for (const auto& task : m_listTasks) {
        if (task->GetName() == name)
            return task.get();
    }
    return nullptr;
}

bool CStore::AddTask(std::unique_ptr<CTask>& task) {
    if (!task || FindTask(task->GetName()) != nullptr)
        return false;
    m_listTasks.push_front(std::move(task));
    return true;
}

bool CStore::RemoveTask(const std::string& name) {
    auto it = std::find_if(m_listTasks.begin(), m_listTasks.end(),
                           [&](const auto& task) { return task->GetName() == name; });
    if (it == m_listTasks.end())
        return false;
    m_listTasks.erase(it);
    return true;
}

CDoneTask* CStore::FindDoneTask(std::int32_t start) const {
    for (const auto& period : m_listDone) {
        if (period->GetStart() == start)
            return period.get();
    }
    return nullptr;
}

bool CStore::AddDoneTask(std::unique_ptr<CDoneTask>& period) {
    if (!period || FindDoneTask(period->GetStart()) != nullptr)
        return false;
    m_listDone.push_front(std::move(period));
    return true;
}

bool CStore::InsertDoneTask(std::size_t position, std::unique_ptr<CDoneTask>& period) {
    if (!period || FindDoneTask(period->GetStart()) != nullptr)
        return false;
    auto it = m_listDone.begin();
    std::advance(it, std::min(position, m_listDone.size()));
    m_listDone.insert(it, std::move(period));
    return true;
}

bool CStore::RemoveDoneTask(std::int32_t start) {
    auto it = std::find_if(m_listDone.begin(), m_listDone.end(),
                           [&](const auto& period) { return period->GetStart() == start; });
    if (it == m_listDone.end())
        return false;
    m_listDone.erase(it);
    return true;
}

bool CStore::RemoveDoneTask(const CDoneTask* period) {
    auto it = std::find_if(m_listDone.begin(), m_listDone.end(),
                           [&](const auto& entry) { return entry.get() == period; });
    if (it == m_listDone.end())
        return false;
    m_listDone.erase(it);
    return true;
}

std::size_t CStore::RemoveDoneTasksIf(const std::function<bool(const CDoneTask&)>& predicate) {
    return m_listDone.remove_if([&](const auto& entry) { return predicate(*entry); });
}

void CStore::AppendTask(std::unique_ptr<CTask> task) {
    if (task)
        m_listTasks.push_back(std::move(task));
}

void CStore::AppendDoneTask(std::unique_ptr<CDoneTask> period) {
    if (period)
        m_listDone.push_back(std::move(period));
}

void CStore::RemoveAll() {
    m_listTasks.clear();
    m_listDone.clear();
}
