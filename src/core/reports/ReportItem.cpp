#include "core/reports/ReportItem.h"

#include "core/data/Archive.h"

const char* ReportPeriodListName(std::uint16_t kind) {
    static constexpr const char* kNames[kReportPeriodCount] = {
        "Other Time Period", "Today", "Month to date", "Week to date", "Year to date", "Total"};
    return IsValidReportPeriod(kind) ? kNames[kind] : "";
}

const char* ReportPeriodHeadingName(std::uint16_t kind) {
    static constexpr const char* kNames[kReportPeriodCount] = {
        "", "Today", "Month To Date", "Week To Date", "Year To Date", "Total"};
    return IsValidReportPeriod(kind) ? kNames[kind] : "";
}

std::string CReportItem::GetListText() const {
    return m_strProject + ": " + ReportPeriodListName(m_nKind);
}

void CReportItem::Serialize(CArchiveWriter& ar) const {
    ar.WriteWord(m_nKind);
    ar.WriteInt32(m_timeStart);
    ar.WriteInt32(m_timeEnd);
    ar.WriteString(m_strProject);
}

bool CReportItem::Serialize(CArchiveReader& ar, std::uint16_t schema) {
    if (schema != kSchema)
        return false;
    std::uint16_t kind = 0;
    if (!ar.ReadWord(kind) || !ar.ReadInt32(m_timeStart) || !ar.ReadInt32(m_timeEnd) ||
        !ar.ReadString(m_strProject))
        return false;
    // A kind outside the table (from a newer or foreign writer) is kept as read; the list
    // leaves such an item out, since it would name no range and no heading.
    m_nKind = kind;
    return true;
}
