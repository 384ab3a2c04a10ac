#pragma once

#include "core/platform/FileSystem.h"
#include "core/reports/HtmlDocument.h"
#include "core/reports/ReportOptions.h"

#include <cstdint>
#include <string>
#include <vector>

class CReport;
class CReportItem;
class CStore;

// A report item's range at `now`: relative kinds are recomputed (today, month and year
// from local midnight, the week by counting back seconds from now, Total from the project's
// first period), PeriodOther keeps its dates, and so does a Total item whose project is gone.
struct ReportRange {
    std::int32_t start = 0;
    std::int32_t end = 0;
};
ReportRange ComputeItemRange(const CReportItem& item, std::int64_t now, unsigned weekStart,
                             const CStore& store);
// The same for every item of the report, in list order, with one walk over the periods.
std::vector<ReportRange> ComputeItemRanges(const CReport& report, std::int64_t now,
                                           unsigned weekStart, const CStore& store);

// Recomputes the ranges of the report's relative items at `now` (see ComputeItemRange).
void UpdateReportRanges(CReport& report, std::int64_t now, unsigned weekStart, const CStore& store);

// The whole report page for the items of `report` (their ranges recomputed at `now`, the
// items themselves left alone), as the writer lays it out.
CHtmlDocument BuildReportDocument(const CReport& report, const ReportOptions& options,
                                  std::int64_t now, unsigned weekStart, const CStore& store);
// Writes the page to the file at `path` piece by piece as it is made (the durable replace
// that takes pieces): the same bytes RenderReport gives. A failure names the path and the
// cause and leaves any old file whole.
FileResult WriteReportFile(const std::string& path, const CReport& report,
                           const ReportOptions& options, std::int64_t now, unsigned weekStart,
                           const CStore& store, FileOps& ops = SystemFileOps());
// The exact bytes of the report file (CR LF line ends).
std::string RenderReport(const CReport& report, const ReportOptions& options, std::int64_t now,
                         unsigned weekStart, const CStore& store);

// The file name proposed for a report: the title up to its first ':', '\', '/' or '.',
// then ".html" ("Q1/2005 hours" gives "Q1.html").
std::string DefaultReportFileName(const std::string& title);

// Dates as the report writes them, in local time: "01/31/05", "01/31/05 13:05:09" and
// "Monday January 31, 2005" (English names whatever the locale). Empty when the time
// cannot be shown.
std::string FormatReportDate(std::int64_t time);
std::string FormatReportDateTime(std::int64_t time);
std::string FormatTitlePageDate(std::int64_t time);
