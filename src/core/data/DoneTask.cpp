#include "core/data/DoneTask.h"

#include "core/data/Archive.h"
#include "core/data/Task.h"

#include <cstring>
#include <memory>

namespace {

const std::string kNoProject;

// Notes the record owns are one plain block of bytes: a std::string would cost a second
// allocation and another 32 bytes per record.
std::string_view CopyBytes(std::string_view text) {
    if (text.empty())
        return {};
    auto block = std::make_unique_for_overwrite<char[]>(text.size());
    std::memcpy(block.get(), text.data(), text.size());
    return {block.release(), text.size()};
}

void FreeBytes(std::string_view text) {
    std::unique_ptr<char[]>(const_cast<char*>(text.data())).reset();
}

} // namespace

CDoneTask::CDoneTask(std::string project, std::string notes) {
    SetProjectName(std::move(project));
    SetNotes(notes);
}

CDoneTask::CDoneTask(const CDoneTask& other)
    : m_bRunning(other.m_bRunning), m_timeStart(other.m_timeStart), m_timeEnd(other.m_timeEnd),
      m_bDeleted(other.m_bDeleted) {
    if ((other.m_project & ~kFlags) != 0)
        SetProjectName(other.GetProject());
    SetNotes(other.m_notes);
}

CDoneTask::CDoneTask(CDoneTask&& other) noexcept : CDoneTask() {
    *this = std::move(other);
}

CDoneTask& CDoneTask::operator=(const CDoneTask& other) {
    if (this != &other) {
        CDoneTask copy(other);
        *this = std::move(copy);
    }
    return *this;
}

CDoneTask& CDoneTask::operator=(CDoneTask&& other) noexcept {
    if (this == &other)
        return *this;
    // Only what the other record owns can change hands; texts it shares with a store are
    // copied, so this record never outlives them.
    ReleaseProject();
    ReleaseNotes();
    m_bRunning = other.m_bRunning;
    m_timeStart = other.m_timeStart;
    m_timeEnd = other.m_timeEnd;
    m_bDeleted = other.m_bDeleted;
    const std::uintptr_t name = other.m_project & ~kFlags;
    if ((other.m_project & kOwnsProject) != 0) {
        m_project = name | kOwnsProject;
        other.m_project &= ~(kOwnsProject | ~kFlags);
    } else if (name != 0) {
        try {
            SetProjectName(other.GetProject());
        } catch (...) {
            // Out of memory while moving: the name is lost rather than left dangling.
        }
    }
    if ((other.m_project & kOwnsNotes) != 0) {
        m_notes = other.m_notes;
        m_project |= kOwnsNotes;
        other.m_project &= ~kOwnsNotes;
        other.m_notes = {};
    } else {
        try {
            SetNotes(other.m_notes);
        } catch (...) {
        }
    }
    return *this;
}

void CDoneTask::FreeOwned() {
    ReleaseProject();
    ReleaseNotes();
}

void CDoneTask::FreeProject() {
    std::unique_ptr<std::string>(reinterpret_cast<std::string*>(m_project & ~kFlags)).reset();
}

void CDoneTask::FreeNotes() {
    FreeBytes(m_notes);
}

const std::string& CDoneTask::GetProject() const {
    const std::uintptr_t name = m_project & ~kFlags;
    return name != 0 ? *reinterpret_cast<const std::string*>(name) : kNoProject;
}

void CDoneTask::SetProjectName(std::string name) {
    auto owned = std::make_unique<std::string>(std::move(name));
    ReleaseProject();
    m_project |= reinterpret_cast<std::uintptr_t>(owned.release()) | kOwnsProject;
}

void CDoneTask::SetProject(const CTask& task) {
    SetProjectName(task.GetName());
}

void CDoneTask::SetNotes(std::string_view notes) {
    // Copied before the old notes go: `notes` may be a part of them.
    const std::string_view copy = CopyBytes(notes);
    ReleaseNotes();
    m_notes = copy;
    if (!copy.empty())
        m_project |= kOwnsNotes;
}

void CDoneTask::ShareTexts(const std::string* project, std::string_view notes) {
    ReleaseProject();
    ReleaseNotes();
    m_project = reinterpret_cast<std::uintptr_t>(project);
    m_notes = notes;
}

void CDoneTask::Serialize(CArchiveWriter& ar) const {
    ar.WriteInt32(m_bRunning);
    ar.WriteSharedString(GetProject());
    ar.WriteString(m_notes);
    ar.WriteInt32s({m_timeStart, m_timeEnd, m_bDeleted});
}

bool CDoneTask::Serialize(CArchiveReader& ar, std::uint16_t schema) {
    std::string project;
    std::string notes;
    std::int32_t running = 0;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::int32_t deleted = 0;
    if (!ar.ReadInt32(running) || !ar.ReadString(project) || !ar.ReadString(notes) ||
        !ar.ReadInt32(start) || !ar.ReadInt32(end))
        return false;
    // Only schema 2 carries the deleted flag; older periods are all active.
    if (schema == 2 && !ar.ReadInt32(deleted))
        return false;
    SetProjectName(std::move(project));
    SetNotes(notes);
    m_bRunning = running;
    m_timeStart = start;
    m_timeEnd = end;
    m_bDeleted = deleted;
    return true;
}
