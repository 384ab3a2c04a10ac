#pragma once

#include "core/data/DoneTask.h"
#include "core/data/Task.h"
#include "core/data/TextPool.h"
#include "core/platform/LargeBlock.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <deque>
#include <functional>
#include <list>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

// The two ordered record lists. Records the program creates go to the head, records read
// from a file are appended in file order, so a save and a reload keep the order.
//
// Periods read from a file live in blocks the store allocates many at a time, with their
// notes in the store's text pool and their project names shared: a store of half a million
// periods is a few dozen allocations. Periods handed in from outside keep their own memory.
// Either way a period stays at the same address for as long as it is in the store.
class CStore {
public:
    using TaskList = std::list<std::unique_ptr<CTask>>;

    // One entry of the period list: points at a period the store owns.
    class PeriodSlot {
    public:
        PeriodSlot() = default;
        PeriodSlot(const PeriodSlot&) = delete;
        PeriodSlot& operator=(const PeriodSlot&) = delete;
        PeriodSlot(PeriodSlot&& other) noexcept : m_bits(other.m_bits) { other.m_bits = 0; }
        PeriodSlot& operator=(PeriodSlot&& other) noexcept;
        ~PeriodSlot() { Release(); }

        CDoneTask* get() const { return reinterpret_cast<CDoneTask*>(m_bits & ~kHeap); }
        CDoneTask* operator->() const { return get(); }
        CDoneTask& operator*() const { return *get(); }
        explicit operator bool() const { return m_bits != 0; }

    private:
        friend class CStore;
        static PeriodSlot InBlock(CDoneTask* period);
        static PeriodSlot OnHeap(std::unique_ptr<CDoneTask> period);
        void Release();

        // The record's address; the low bit says it was handed in alone and is deleted alone.
        static constexpr std::uintptr_t kHeap = 1;
        std::uintptr_t m_bits = 0;
    };
    using DoneList = std::deque<PeriodSlot>;

    CStore() = default;
    CStore(const CStore&) = delete;
    CStore& operator=(const CStore&) = delete;
    virtual ~CStore();

    // First project from the head whose name matches byte for byte; null when none.
    CTask* FindTask(std::string_view name) const;
    // Takes the project (moving it out of `task`) and inserts it at the head; on a duplicate
    // name returns false and leaves `task` with the caller.
    bool AddTask(std::unique_ptr<CTask>& task);
    bool RemoveTask(std::string_view name);
    // Removes every project the predicate picks; returns how many went.
    std::size_t RemoveTasksIf(const std::function<bool(const CTask&)>& predicate);

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
    // Removes the periods whose place in the list (from the head) is marked non-zero;
    // `marked` has one entry for each period. Returns how many went.
    std::size_t RemoveMarkedDoneTasks(const std::vector<char>& marked);
    // New notes for a period of this store that already lie in its text pool (put there with
    // TextPool().Add), rather than in an allocation of the period's own: for many periods
    // changed at once (a merge).
    void SharePooledNotes(CDoneTask& period, std::string_view pooledNotes);

    // Used by the file reader: appends without any duplicate check, as the file stands.
    void AppendTask(std::unique_ptr<CTask> task);
    void AppendDoneTask(std::unique_ptr<CDoneTask> period);
    // The reader's own way in: a period whose texts are the store's (see below).
    CDoneTask& AppendSharedDoneTask(const std::string* project, std::string_view notesInPool);
    // The store's copy of a project name, shared by all its periods of that project.
    const std::string* ShareProjectName(std::string_view name);
    CTextPool& TextPool() { return m_texts; }

    void RemoveAll();
    // Exchanges everything with `other`. No record moves: what points at a record or a text
    // of either store points at it in the other one afterwards.
    void Swap(CStore& other) noexcept;

    std::size_t GetTaskCount() const { return m_listTasks.size(); }
    std::size_t GetDoneCount() const { return m_listDone.size(); }

    // Walk head to tail (or reverse); the records stay owned by the store.
    const TaskList& Tasks() const { return m_listTasks; }
    const DoneList& DoneTasks() const { return m_listDone; }

    // Heap bytes the store's blocks, pool and name copies take (not counting records and
    // texts handed in from outside).
    std::size_t PooledBytes() const;

private:
    // Blocks of records grow with the store, as the text pool's do.
    static constexpr std::size_t kFirstBlockRecords = 4096;
    static constexpr std::size_t kLargestBlockRecords = 256 * 1024;
    static constexpr std::size_t kRecentNames = 256;

    void ClearPeriods();
    const std::string* FindOrAddName(std::string_view name);

    TaskList m_listTasks;
    DoneList m_listDone;

    // Room for records side by side in one allocation; each is made when it is handed out,
    // so the pages of a block's unused end are never touched, and all go with the block.
    class RecordBlock {
    public:
        explicit RecordBlock(std::size_t capacity)
            : m_block(capacity * sizeof(CDoneTask)), m_capacity(capacity) {}
        RecordBlock(RecordBlock&& other) noexcept
            : m_block(std::move(other.m_block)), m_capacity(other.m_capacity),
              m_made(std::exchange(other.m_made, 0)) {}
        RecordBlock& operator=(RecordBlock&&) = delete;
        ~RecordBlock();
        bool Full() const { return m_made == m_capacity; }
        CDoneTask& MakeRecord() { return *::new (Records() + m_made++) CDoneTask(); }

    private:
        CDoneTask* Records() const { return reinterpret_cast<CDoneTask*>(m_block.Data()); }

        CLargeBlock m_block;
        std::size_t m_capacity;
        std::size_t m_made = 0;
    };
    std::vector<RecordBlock> m_blocks;
    std::size_t m_blockedRecords = 0; // room in all blocks
    CTextPool m_texts;
    std::deque<std::string> m_names;
    std::unordered_map<std::string_view, const std::string*> m_nameIndex;
    std::array<const std::string*, kRecentNames> m_recentNames{};
};
