#include "core/data/Task.h"

#include "core/data/Archive.h"

void CTask::Serialize(CArchiveWriter& ar) const {
    ar.WriteString(m_strName);
    ar.WriteDWord(m_dwReserved);
    ar.WriteDWord(m_dwDollars);
    ar.WriteByte(m_byCents);
    ar.WriteWord(static_cast<std::uint16_t>(m_bUseFile & 0xFFFF));
    ar.WriteString(m_strFile);
}

bool CTask::Serialize(CArchiveReader& ar, std::uint16_t schema) {
    if (schema != 1 && schema != 2)
        return false;
    if (!ar.ReadString(m_strName) || !ar.ReadDWord(m_dwReserved) || !ar.ReadDWord(m_dwDollars) ||
        !ar.ReadByte(m_byCents))
        return false;
    m_bUseFile = 0;
    m_strFile.clear();
    if (schema == 1)
        return true;
    std::uint16_t useFile = 0;
    if (!ar.ReadWord(useFile) || !ar.ReadString(m_strFile))
        return false;
    m_bUseFile = useFile;
    return true;
}
