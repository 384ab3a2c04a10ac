#include "core/data/DoneTask.h"

#include "core/data/Archive.h"
#include "core/data/Task.h"

void CDoneTask::SetProject(const CTask& task) {
    m_strProject = task.GetName();
}

void CDoneTask::Serialize(CArchiveWriter& ar) const {
    ar.WriteInt32(m_bRunning);
    ar.WriteString(m_strProject);
    ar.WriteString(m_strNotes);
    ar.WriteInt32(m_timeStart);
    ar.WriteInt32(m_timeEnd);
    ar.WriteInt32(m_bDeleted);
}

bool CDoneTask::Serialize(CArchiveReader& ar, std::uint16_t schema) {
    if (!ar.ReadInt32(m_bRunning) || !ar.ReadString(m_strProject) || !ar.ReadString(m_strNotes) ||
        !ar.ReadInt32(m_timeStart) || !ar.ReadInt32(m_timeEnd))
        return false;
    m_bDeleted = 0;
    // Only schema 2 carries the deleted flag; older periods are all active.
    if (schema == 2)
        return ar.ReadInt32(m_bDeleted);
    return true;
}
