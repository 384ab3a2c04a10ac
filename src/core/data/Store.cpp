#include "core/data/Store.h"

#include "core/data/NameKey.h"

#include <algorithm>
#include <iterator>
#include <memory>

// ---- period slots ----

CStore::PeriodSlot& CStore::PeriodSlot::operator=(PeriodSlot&& other) noexcept {
    if (this != &other) {
        Release();
        m_bits = other.m_bits;
        other.m_bits = 0;
    }
    return *this;
}

CStore::PeriodSlot CStore::PeriodSlot::InBlock(CDoneTask* period) {
    PeriodSlot slot;
    slot.m_bits = reinterpret_cast<std::uintptr_t>(period);
    return slot;
}

CStore::PeriodSlot CStore::PeriodSlot::OnHeap(std::unique_ptr<CDoneTask> period) {
    PeriodSlot slot;
    slot.m_bits = reinterpret_cast<std::uintptr_t>(period.release()) | kHeap;
    return slot;
}

void CStore::PeriodSlot::Release() {
    if ((m_bits & kHeap) != 0)
        std::unique_ptr<CDoneTask>(get()).reset();
    else if (m_bits != 0)
        *get() = CDoneTask(); // the block's memory stays the store's until RemoveAll
    m_bits = 0;
}

// ---- store ----

CStore::~CStore() {
    ClearPeriods();
}

void CStore::ClearPeriods() {
    // Records in the blocks go with their blocks: their slots only let go of them, rather
    // than resetting each on the way.
    for (PeriodSlot& slot : m_listDone) {
        if ((slot.m_bits & PeriodSlot::kHeap) == 0)
            slot.m_bits = 0;
    }
    m_listDone.clear();
    m_blocks.clear();
    m_blockedRecords = 0;
}

CTask* CStore::FindTask(std::string_view name) const {
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

bool CStore::RemoveTask(std::string_view name) {
    auto it = std::find_if(m_listTasks.begin(), m_listTasks.end(),
                           [&](const auto& task) { return task->GetName() == name; });
    if (it == m_listTasks.end())
        return false;
    m_listTasks.erase(it);
    return true;
}

std::size_t CStore::RemoveTasksIf(const std::function<bool(const CTask&)>& predicate) {
    return m_listTasks.remove_if([&](const auto& task) { return predicate(*task); });
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
    m_listDone.push_front(PeriodSlot::OnHeap(std::move(period)));
    return true;
}

bool CStore::InsertDoneTask(std::size_t position, std::unique_ptr<CDoneTask>& period) {
    if (!period || FindDoneTask(period->GetStart()) != nullptr)
        return false;
    auto it = m_listDone.begin();
    std::advance(it, std::min(position, m_listDone.size()));
    m_listDone.insert(it, PeriodSlot::OnHeap(std::move(period)));
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
    const auto kept = std::remove_if(m_listDone.begin(), m_listDone.end(),
                                     [&](const auto& entry) { return predicate(*entry); });
    const auto removed = static_cast<std::size_t>(m_listDone.end() - kept);
    m_listDone.erase(kept, m_listDone.end());
    return removed;
}

std::size_t CStore::RemoveMarkedDoneTasks(const std::vector<char>& marked) {
    std::size_t kept = 0;
    for (std::size_t i = 0; i < m_listDone.size(); ++i) {
        if (i < marked.size() && marked[i] != 0)
            continue;
        if (kept != i)
            m_listDone[kept] = std::move(m_listDone[i]);
        ++kept;
    }
    const std::size_t removed = m_listDone.size() - kept;
    m_listDone.erase(m_listDone.begin() + static_cast<std::ptrdiff_t>(kept), m_listDone.end());
    return removed;
}

void CStore::AppendTask(std::unique_ptr<CTask> task) {
    if (task)
        m_listTasks.push_back(std::move(task));
}

void CStore::AppendDoneTask(std::unique_ptr<CDoneTask> period) {
    if (period)
        m_listDone.push_back(PeriodSlot::OnHeap(std::move(period)));
}

const std::string* CStore::ShareProjectName(std::string_view name) {
    // Most periods name one of a few dozen projects: a small table in front of the index
    // answers them with one comparison.
    const std::string*& recent = m_recentNames[NameHash(name) % kRecentNames];
    if (recent != nullptr && *recent == name)
        return recent;
    recent = FindOrAddName(name);
    return recent;
}

const std::string* CStore::FindOrAddName(std::string_view name) {
    const auto found = m_nameIndex.find(name);
    if (found != m_nameIndex.end())
        return found->second;
    const std::string& copy = m_names.emplace_back(name);
    m_nameIndex.emplace(copy, &copy);
    return &copy;
}

void CStore::SharePooledNotes(CDoneTask& period, std::string_view pooledNotes) {
    period.SharePooledNotes(pooledNotes);
}

CStore::RecordBlock::~RecordBlock() {
    std::destroy_n(Records(), m_made);
}

CDoneTask& CStore::AppendSharedDoneTask(const std::string* project, std::string_view notesInPool) {
    if (m_blocks.empty() || m_blocks.back().Full()) {
        const std::size_t capacity =
            std::min(kFirstBlockRecords << m_blocks.size(), kLargestBlockRecords);
        m_blocks.emplace_back(capacity);
        m_blockedRecords += capacity;
    }
    CDoneTask& period = m_blocks.back().MakeRecord();
    period.ShareTexts(project, notesInPool);
    m_listDone.push_back(PeriodSlot::InBlock(&period));
    return period;
}

void CStore::RemoveAll() {
    m_listTasks.clear();
    ClearPeriods();
    m_texts.Clear();
    m_nameIndex.clear();
    m_recentNames.fill(nullptr);
    m_names.clear();
}

void CStore::Swap(CStore& other) noexcept {
    m_listTasks.swap(other.m_listTasks);
    m_listDone.swap(other.m_listDone);
    m_blocks.swap(other.m_blocks);
    std::swap(m_blockedRecords, other.m_blockedRecords);
    m_texts.Swap(other.m_texts);
    m_names.swap(other.m_names);
    m_nameIndex.swap(other.m_nameIndex);
    m_recentNames.swap(other.m_recentNames);
}

std::size_t CStore::PooledBytes() const {
    std::size_t names = 0;
    for (const std::string& name : m_names)
        names += sizeof(std::string) + (name.capacity() > 15 ? name.capacity() + 1 : 0);
    return m_blockedRecords * sizeof(CDoneTask) + m_texts.Allocated() + names;
}
