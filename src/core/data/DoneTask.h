#pragma once

#include "core/data/TextRef.h"

#include <cstdint>
#include <string>
#include <string_view>

class CArchiveReader;
class CArchiveWriter;
class CStore;
class CTask;

// A time period of a project, running or closed, possibly deleted safely. Its key in the
// store is its start second.
//
// A store holds hundreds of thousands of these, so a period is kept small and its texts
// take no allocation of their own when it was read from a file: the project name points at
// the store's one copy of that name and the notes into the store's text pool. A period made
// or changed by the program owns what it was given; a copy always owns its texts, so it
// never depends on the store it came from.
class CDoneTask {
public:
    static constexpr const char* kClassName = "CDoneTask";
    static constexpr std::uint16_t kSchema = 2;

    CDoneTask() = default;
    CDoneTask(std::string project, std::string notes);
    CDoneTask(const CDoneTask& other);
    CDoneTask(CDoneTask&& other) noexcept;
    CDoneTask& operator=(const CDoneTask& other);
    CDoneTask& operator=(CDoneTask&& other) noexcept;
    ~CDoneTask() {
        if ((m_project & kFlags) != 0)
            FreeOwned();
    }

    // The clock is the caller's: core code never reads the wall clock itself.
    void Begin(std::int32_t now) {
        m_timeStart = now;
        m_bRunning = 1;
    }
    void Finish(std::int32_t now) {
        m_timeEnd = now;
        m_bRunning = 0;
    }

    std::int32_t GetStart() const { return m_timeStart; }
    void SetStart(std::int32_t t) { m_timeStart = t; }
    std::int32_t GetEnd() const { return m_timeEnd; }
    void SetEnd(std::int32_t t) { m_timeEnd = t; }

    // Signed: a clock turned back gives a negative span. Computed in 64 bits so that
    // extreme times in a file cannot overflow.
    std::int64_t GetDuration() const {
        return static_cast<std::int64_t>(m_timeEnd) - static_cast<std::int64_t>(m_timeStart);
    }

    bool IsRunning() const { return m_bRunning != 0; }
    std::int32_t GetRunningFlag() const { return m_bRunning; }
    void SetRunningFlag(std::int32_t flag) { m_bRunning = flag; }

    bool IsDeleted() const { return m_bDeleted != 0; }
    std::int32_t GetDeletedFlag() const { return m_bDeleted; }
    void MarkDeleted() { m_bDeleted = 1; }
    // The flag's value as a file holds it (any non-zero value means deleted).
    void SetDeletedFlag(std::int32_t flag) { m_bDeleted = flag; }
    void Restore() { m_bDeleted = 0; }

    CTextRef GetNotes() const { return m_notes; }
    void SetNotes(std::string_view notes);

    const std::string& GetProject() const;
    void SetProject(const CTask& task);
    void SetProjectName(std::string name);

    // Writes the schema-2 fields; reads the fields of the given schema (anything but 2
    // has no deleted flag).
    void Serialize(CArchiveWriter& ar) const;
    bool Serialize(CArchiveReader& ar, std::uint16_t schema);

private:
    friend class CStore;
    // Texts owned by someone else (the store) that outlive this record.
    void ShareTexts(const std::string* project, std::string_view notes);
    void SharePooledNotes(std::string_view notes) {
        ReleaseNotes();
        m_notes = notes;
    }
    // Only a record that owns something calls out of line.
    void ReleaseProject() {
        if ((m_project & kOwnsProject) != 0)
            FreeProject();
        m_project &= kOwnsNotes;
    }
    void ReleaseNotes() {
        if ((m_project & kOwnsNotes) != 0)
            FreeNotes();
        m_project &= ~kOwnsNotes;
        m_notes = {};
    }
    void FreeProject();
    void FreeNotes();
    void FreeOwned();

    // The project's name (a std::string) with two flags in its low bits: whether this
    // record owns the name, and whether it owns the notes' bytes.
    static constexpr std::uintptr_t kOwnsProject = 1;
    static constexpr std::uintptr_t kOwnsNotes = 2;
    static constexpr std::uintptr_t kFlags = kOwnsProject | kOwnsNotes;
    static_assert(alignof(std::string) > kFlags);
    std::uintptr_t m_project = 0;
    std::string_view m_notes;
    std::int32_t m_bRunning = 0;
    std::int32_t m_timeStart = 0;
    std::int32_t m_timeEnd = 0;
    std::int32_t m_bDeleted = 0;
};
