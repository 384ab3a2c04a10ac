#pragma once

#include <cstdint>
#include <string>

class CArchiveReader;
class CArchiveWriter;

// The kind of range a report item covers. Stored as a 16-bit value in custom report files,
// so the numbers are fixed; note that they differ from PeriodKind's (month before week).
enum ReportPeriod : std::uint16_t {
    PeriodOther = 0, // fixed dates entered by the user
    PeriodToday = 1,
    PeriodMonth = 2,
    PeriodWeek = 3,
    PeriodYear = 4,
    PeriodTotal = 5, // from the project's first period
};
constexpr std::uint16_t kReportPeriodCount = 6;

constexpr bool IsValidReportPeriod(std::uint16_t kind) {
    return kind < kReportPeriodCount;
}
// The name in the custom report item list ("Month to date"); empty for an unknown kind.
const char* ReportPeriodListName(std::uint16_t kind);
// The name in report headings and on the title page ("Month To Date"); empty for
// PeriodOther and for an unknown kind.
const char* ReportPeriodHeadingName(std::uint16_t kind);

// One section of a report: a project and a range of time. For relative kinds the range is
// recomputed before every report; only PeriodOther keeps the dates it was given.
class CReportItem {
public:
    static constexpr const char* kClassName = "CReportItem";
    static constexpr std::uint16_t kSchema = 1;

    CReportItem() = default;
    CReportItem(std::string project, std::int32_t start, std::int32_t end, ReportPeriod kind)
        : m_nKind(kind), m_timeStart(start), m_timeEnd(end), m_strProject(std::move(project)) {}

    ReportPeriod GetKind() const { return static_cast<ReportPeriod>(m_nKind); }
    std::int32_t GetStart() const { return m_timeStart; }
    std::int32_t GetEnd() const { return m_timeEnd; }
    void SetRange(std::int32_t start, std::int32_t end) {
        m_timeStart = start;
        m_timeEnd = end;
    }
    const std::string& GetProject() const { return m_strProject; }

    // The entry of the custom report item list: "Design: Week to date".
    std::string GetListText() const;

    void Serialize(CArchiveWriter& ar) const;
    // Reads the fields of schema 1; false on damage or on a kind no version ever wrote.
    bool Serialize(CArchiveReader& ar, std::uint16_t schema);

private:
    std::uint16_t m_nKind = PeriodOther;
    std::int32_t m_timeStart = 0;
    std::int32_t m_timeEnd = 0;
    std::string m_strProject;
};
