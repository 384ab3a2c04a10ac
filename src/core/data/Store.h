#pragma once

#include "core/data/DoneTask.h"
#include "core/data/Task.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <list>
#include <memory>
#include <string>

// The two ordered record lists. Records the program creates go to the head, records read
// from a file are appended in file order, so a save and a reload keep the order.
class CStore {
public:
    using TaskList = std::list<std::unique_ptr<CTask>>;
    using DoneList = std::list<std::unique_ptr<CDoneTask>>;

    CStore() = default;
    CStore(const CStore&) = delete;
    CStore& operator=(const CStore&) = delete;
    virtual ~CStore() = default;

    // First project from the head whose name matches byte for byte; null when none.
    CTask* FindTask(const std::string& name) const;
    // Takes the project (moving it out of `task`) and inserts it at the head; on a duplicate
    // name returns false and leaves `task` with the caller.
    bool AddTask(std::unique_ptr<CTask>& task);
    bool RemoveTask(const std::string& name);

    // First period from the head with that start second, deleted or not; null when none.
    CDoneTask* FindDoneTask(std::int32_t start) const;
    bool AddDoneTask(std::unique_ptr<CDoneTask>& period);
    // Like AddDoneTask, but at that position from the head (the tail when the list is
    // shorter): an undone removal puts the record back where it was.
    bool InsertDoneTask(std::size_t position, std::unique_ptr<CDoneTask>& period);
    bool RemoveDoneTask(std::int32_t start);
    // Removes that very record (not merely one with its start second); false when it is
    // not in the store.
    bool RemoveDoneTask(const CDoneTask* period);
    // Removes every period the predicate picks; returns how many went.
    std::size_t RemoveDoneTasksIf(const std::function<bool(const CDoneTask&)>& predicate);

    // Used by the file reader: appends without any duplicate check, as the file stands.
    void AppendTask(std::unique_ptr<CTask> task);
    void AppendDoneTask(std::unique_ptr<CDoneTask> period);

    void RemoveAll();

    std::size_t GetTaskCount() const { return m_listTasks.size(); }
    std::size_t GetDoneCount() const { return m_listDone.size(); }

    // Walk head to tail (or reverse); the records stay owned by the store.
    const TaskList& Tasks() const { return m_listTasks; }
    const DoneList& DoneTasks() const { return m_listDone; }

private:
    TaskList m_listTasks;
    DoneList m_listDone;
};
