#pragma once

#include <cstdint>
#include <string>

class CArchiveReader;
class CArchiveWriter;
class CTask;

// A time period of a project, running or closed, possibly deleted safely. Its key in the
// store is its start second.
class CDoneTask {
public:
    static constexpr const char* kClassName = "CDoneTask";
    static constexpr std::uint16_t kSchema = 2;

    CDoneTask() = default;
    CDoneTask(std::string project, std::string notes)
        : m_strNotes(std::move(notes)), m_strProject(std::move(project)) {}

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
    void Restore() { m_bDeleted = 0; }

    const std::string& GetNotes() const { return m_strNotes; }
    void SetNotes(std::string notes) { m_strNotes = std::move(notes); }

    const std::string& GetProject() const { return m_strProject; }
    void SetProject(const CTask& task);
    void SetProjectName(std::string name) { m_strProject = std::move(name); }

    // Writes the schema-2 fields; reads the fields of the given schema (anything but 2
    // has no deleted flag).
    void Serialize(CArchiveWriter& ar) const;
    bool Serialize(CArchiveReader& ar, std::uint16_t schema);

private:
    std::int32_t m_bDeleted = 0;
    std::string m_strNotes;
    std::int32_t m_bRunning = 0;
    std::string m_strProject;
    std::int32_t m_timeEnd = 0;
    std::int32_t m_timeStart = 0;
};
