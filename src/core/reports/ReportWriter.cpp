#include "core/reports/ReportWriter.h"

#include "core/data/PeriodProjectLookup.h"
#include "core/data/Store.h"
#include "core/platform/LocalTime.h"
#include "core/platform/LocalTimeCache.h"
#include "core/reports/Report.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/PeriodRange.h"
#include "core/timing/TaskTotals.h"

#include <algorithm>
#include <cstdio>
#include <limits>
#include <optional>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace {

std::int32_t ToTime32(std::int64_t value) {
    return static_cast<std::int32_t>(std::clamp<std::int64_t>(
        value, std::numeric_limits<std::int32_t>::min(), std::numeric_limits<std::int32_t>::max()));
}

void AppendTwoDigits(std::string& out, int value) {
    if (value < 0 || value > 99)
        value = ((value % 100) + 100) % 100;
    const char digits[2] = {static_cast<char>('0' + value / 10),
                            static_cast<char>('0' + value % 10)};
    out.append(digits, 2);
}

void AppendDate(std::string& out, const LocalDateTime& local) {
    AppendTwoDigits(out, local.month);
    out += '/';
    AppendTwoDigits(out, local.day);
    out += '/';
    AppendTwoDigits(out, local.year);
}

void AppendDateTime(std::string& out, std::int64_t time, CLocalTimeCache& cache) {
    const std::optional<LocalDateTime> local = cache.At(time);
    if (!local)
        return;
    AppendDate(out, *local);
    out += ' ';
    AppendTwoDigits(out, local->hour);
    out += ':';
    AppendTwoDigits(out, local->minute);
    out += ':';
    AppendTwoDigits(out, local->second);
}

void AppendMoney(std::string& out, const char* format, double amount) {
    char text[64];
    std::snprintf(text, sizeof text, format, amount);
    out += text;
}

// Money owed for `seconds` at dollars.cents an hour, in double precision: the rate in
// whole cents, then multiplied and divided in this order.
double AmountOwed(const CTask& task, std::int64_t seconds) {
    const std::int64_t rate = static_cast<std::int64_t>(task.GetDollars()) * 100 +
                              static_cast<std::int64_t>(task.GetCents());
    return static_cast<double>(rate) * static_cast<double>(seconds) / 360000.0;
}

// The seconds a period adds to an item's section and the part of it that is shown. Unlike
// the closed ranges of the totals, the section takes periods that start after a and those
// that end after it; one lying exactly at b is listed with zero seconds.
struct Share {
    bool counted = false;
    std::int64_t seconds = 0;
    std::int64_t shownStart = 0;
    std::int64_t shownEnd = 0;
};

Share ShareOf(std::int64_t s, std::int64_t e, std::int64_t a, std::int64_t b) {
    if (a < s && e <= b)
        return {true, e - s, s, e};
    if (a < s && s < b && b < e)
        return {true, b - s, s, b};
    if (s <= a && a < e && e <= b)
        return {true, e - a, a, e};
    if (s <= a && b < e)
        return {true, b - a, a, b};
    return {};
}

void AddBlankUnit(CHtmlDocument& doc) {
    doc.AddElement(Text, " ");
    doc.AddElement(Spacer);
}

void WriteTitlePage(CHtmlDocument& doc, const std::vector<ReportRange>& ranges,
                    const CReport& report, const ReportOptions& options, std::int64_t now) {
    const auto n = static_cast<std::int64_t>(report.GetItemCount());
    doc.AddElement(Heading3, FormatTitlePageDate(now));
    const std::int64_t above = 13 - std::min<std::int64_t>(std::max<std::int64_t>(n - 15, 0), 13);
    for (std::int64_t i = 0; i < above; ++i)
        AddBlankUnit(doc);
    doc.AddElement(Heading2, EscapeHtml(options.title), {}, true);
    doc.AddElement(Spacer);
    std::size_t index = 0;
    std::string line;
    for (const auto& item : report.Items()) {
        line.clear();
        AppendEscapedHtml(line, item->GetProject());
        line += ": ";
        if (item->GetKind() == PeriodOther) {
            line += FormatReportDate(ranges[index].start);
            line += " - ";
            line += FormatReportDate(ranges[index].end);
        } else {
            line += ReportPeriodHeadingName(item->GetKind());
        }
        doc.AddElement(Bold, line, {}, true);
        doc.AddElement(Spacer);
        ++index;
    }
    const std::int64_t below = std::max<std::int64_t>(0, options.pageLines - n);
    for (std::int64_t i = 0; i < below; ++i)
        AddBlankUnit(doc);
}

} // namespace

std::string FormatReportDate(std::int64_t time) {
    std::string out;
    if (const auto local = ToLocal(time))
        AppendDate(out, *local);
    return out;
}

std::string FormatReportDateTime(std::int64_t time) {
    std::string out;
    CLocalTimeCache cache;
    AppendDateTime(out, time, cache);
    return out;
}

std::string FormatTitlePageDate(std::int64_t time) {
    static constexpr const char* kDays[7] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                             "Thursday", "Friday", "Saturday"};
    static constexpr const char* kMonths[12] = {"January",   "February", "March",    "April",
                                                "May",       "June",     "July",     "August",
                                                "September", "October",  "November", "December"};
    const auto local = ToLocal(time);
    if (!local || local->weekday < 0 || local->weekday > 6 || local->month < 1 || local->month > 12)
        return {};
    std::string out = kDays[local->weekday];
    out += ' ';
    out += kMonths[local->month - 1];
    out += ' ';
    AppendTwoDigits(out, local->day);
    out += ", ";
    out += std::to_string(local->year);
    return out;
}

namespace {

// The range of an item of a kind other than Total; `firstStart` is only used for Total.
ReportRange RangeAt(const CReportItem& item, std::int64_t now, unsigned weekStart,
                    const std::optional<std::int64_t>& firstStart) {
    const ReportRange kept{item.GetStart(), item.GetEnd()};
    const ReportPeriod kind = item.GetKind();
    if (kind == PeriodOther || !IsValidReportPeriod(kind))
        return kept;
    if (kind == PeriodTotal) {
        if (!firstStart)
            return kept;
        return {ToTime32(*firstStart), ToTime32(now)};
    }
    const std::optional<LocalDateTime> local = ToLocal(now);
    if (!local)
        return kept;
    std::optional<std::int64_t> start;
    std::int64_t end = now;
    switch (kind) {
    case PeriodToday:
        start = LocalDayStart(local->year, local->month, local->day);
        break;
    case PeriodMonth:
        start = LocalDayStart(local->year, local->month, 1);
        break;
    case PeriodYear:
        start = LocalDayStart(local->year, 1, 1);
        break;
    case PeriodWeek: {
        // Counted back in seconds from now; on the first day of the week itself the range
        // is the seven whole days before today.
        const int d = local->weekday - static_cast<int>(weekStart % 7);
        const std::int64_t t = local->hour * 3600 + local->minute * 60 + local->second;
        if (d > 0) {
            start = now - (t + d * 86400);
        } else if (d < 0) {
            start = now - (t + (d + 7) * 86400);
        } else {
            start = now - (t + 604800);
            end = now - t;
        }
        break;
    }
    default:
        break;
    }
    if (!start)
        return kept;
    return {ToTime32(*start), ToTime32(end)};
}

} // namespace

ReportRange ComputeItemRange(const CReportItem& item, std::int64_t now, unsigned weekStart,
                             const CStore& store) {
    std::optional<std::int64_t> firstStart;
    if (item.GetKind() == PeriodTotal && store.FindTask(item.GetProject()) != nullptr)
        firstStart = CTaskTotals(store, item.GetProject()).GetFirstStart(now);
    return RangeAt(item, now, weekStart, firstStart);
}

std::vector<ReportRange> ComputeItemRanges(const CReport& report, std::int64_t now,
                                           unsigned weekStart, const CStore& store) {
    // The first starts of all Total items' projects come from one walk over the periods.
    std::unordered_map<std::string_view, std::optional<std::int64_t>> firstStarts;
    for (const auto& item : report.Items()) {
        if (item->GetKind() == PeriodTotal && store.FindTask(item->GetProject()) != nullptr)
            firstStarts.emplace(item->GetProject(), now);
    }
    if (!firstStarts.empty()) {
        using FirstStart = std::optional<std::int64_t>;
        CPeriodProjectLookup firstStartOf(
            static_cast<FirstStart*>(nullptr), [&](const std::string& name) -> FirstStart* {
                const auto found = firstStarts.find(name);
                return found != firstStarts.end() ? &found->second : nullptr;
            });
        for (const auto& period : store.DoneTasks()) {
            if (period->IsDeleted())
                continue;
            FirstStart* first = firstStartOf.Of(*period);
            if (first != nullptr)
                *first = std::min<std::int64_t>(**first, period->GetStart());
        }
    }
    std::vector<ReportRange> ranges;
    ranges.reserve(report.GetItemCount());
    for (const auto& item : report.Items()) {
        const auto found = firstStarts.find(item->GetProject());
        ranges.push_back(RangeAt(*item, now, weekStart,
                                 found != firstStarts.end() ? found->second : std::nullopt));
    }
    return ranges;
}

void UpdateReportRanges(CReport& report, std::int64_t now, unsigned weekStart,
                        const CStore& store) {
    std::vector<std::pair<std::int32_t, std::int32_t>> ranges;
    for (const ReportRange& range : ComputeItemRanges(report, now, weekStart, store))
        ranges.emplace_back(range.start, range.end);
    report.SetRanges(ranges);
}

CHtmlDocument BuildReportDocument(const CReport& report, const ReportOptions& options,
                                  std::int64_t now, unsigned weekStart, const CStore& store) {
    struct Section {
        const CReportItem* item;
        std::int64_t a;
        std::int64_t b;
        bool countsInGrand;
    };
    const std::vector<ReportRange> ranges = ComputeItemRanges(report, now, weekStart, store);

    // A project's seconds reach the grand totals only from its longest items, so a report
    // with both Today and Week To Date of one project does not count today twice.
    struct ProjectItems {
        std::size_t count = 0;
        std::int64_t longest = std::numeric_limits<std::int64_t>::min();
        std::vector<const CDoneTask*> periods;
    };
    std::unordered_map<std::string_view, ProjectItems> projects;
    std::vector<Section> sections;
    sections.reserve(report.GetItemCount());
    {
        std::size_t index = 0;
        for (const auto& item : report.Items()) {
            const ReportRange r = ranges[index++];
            ProjectItems& p = projects[item->GetProject()];
            ++p.count;
            p.longest = std::max<std::int64_t>(p.longest, std::int64_t{r.end} - r.start);
            sections.push_back({item.get(), r.start, r.end, true});
        }
    }
    for (Section& s : sections) {
        const ProjectItems& p = projects[s.item->GetProject()];
        s.countsInGrand = !(p.count > 1 && p.longest > s.b - s.a);
    }
    // One walk over the periods, kept in list order per project.
    {
        CPeriodProjectLookup itemsOf(static_cast<ProjectItems*>(nullptr),
                                     [&](const std::string& name) -> ProjectItems* {
                                         const auto found = projects.find(name);
                                         return found != projects.end() ? &found->second : nullptr;
                                     });
        for (const auto& period : store.DoneTasks()) {
            if (period->IsDeleted())
                continue;
            ProjectItems* items = itemsOf.Of(*period);
            if (items != nullptr)
                items->periods.push_back(period.get());
        }
    }

    CHtmlDocument doc;
    if (options.showPeriods) {
        std::size_t periods = 0;
        for (const auto& entry : projects)
            periods += entry.second.periods.size() * entry.second.count;
        doc.Reserve(periods * 96 + sections.size() * 512 + 4096);
    }
    std::string bottomNotes;
    std::int64_t grandTotal = 0;
    double grandAmount = 0.0;

    // The title first: the page's head comes before everything else in its bytes.
    doc.SetTitle(EscapeHtml(options.title));
    if (options.titlePage)
        WriteTitlePage(doc, ranges, report, options, now);

    std::string text;
    CLocalTimeCache localTimes;
    for (const Section& section : sections) {
        const std::string& name = section.item->GetProject();
        const std::int64_t a = section.a;
        const std::int64_t b = section.b;
        const std::vector<const CDoneTask*>& periods = projects[name].periods;
        const std::string escapedName = EscapeHtml(name);
        for (const auto& task : store.Tasks()) {
            if (task->GetName() != name)
                continue;
            std::int64_t itemTotal = 0;
            std::int64_t rangeSeconds = 0; // the closed-range figure the money is taken from

            text = "Time Report For:\n\"";
            text += escapedName;
            text += "\":\n";
            text += FormatReportDate(a);
            text += " to ";
            text += FormatReportDate(b);
            text += " (";
            text += ReportPeriodHeadingName(section.item->GetKind());
            text += ')';
            doc.AddElement(Heading1, text);
            doc.AddElement(Paragraph);
            doc.AddElement(Rule);

            for (const CDoneTask* period : periods) {
                const std::int64_t s = period->GetStart();
                const std::int64_t e = period->GetEnd();
                rangeSeconds += ClippedSeconds(s, e, a, b);
                const Share share = ShareOf(s, e, a, b);
                if (!share.counted)
                    continue;
                itemTotal += share.seconds;
                if (section.countsInGrand)
                    grandTotal += share.seconds;
                if (!options.showPeriods)
                    continue;
                text.clear();
                AppendDateTime(text, share.shownStart, localTimes);
                text += " - ";
                AppendDateTime(text, share.shownEnd, localTimes);
                const std::size_t shownSize = text.size();
                text += ":  ";
                duration::AppendDays(text, share.seconds);
                text += "   ";
                const std::string& notes = period->GetNotes();
                const std::size_t lineFeed = notes.find('\n');
                if (lineFeed == std::string::npos) {
                    AppendEscapedHtml(text, notes);
                } else if (options.notesMode == TopLineOnly) {
                    // The line's own CR goes with its line feed, so the line ends once.
                    std::string_view top = std::string_view(notes).substr(0, lineFeed);
                    if (!top.empty() && top.back() == '\r')
                        top.remove_suffix(1);
                    AppendEscapedHtml(text, top);
                } else if (options.notesMode == NotesAtBottom) {
                    bottomNotes += "Notes For: ";
                    AppendEscapedHtml(bottomNotes, period->GetProject());
                    bottomNotes += "   ";
                    bottomNotes.append(text, 0, shownSize);
                    bottomNotes += '\n';
                    AppendEscapedHtml(bottomNotes, notes);
                    bottomNotes += '\n';
                }
                doc.AddElement(Text, text);
                doc.AddElement(Paragraph);
            }

            doc.AddElement(Spacer);
            text = "Time Logged For \"";
            text += escapedName;
            text += "\": ";
            text += duration::FormatDays(itemTotal);
            doc.AddElement(Heading3, text);

            if (options.costPerHour) {
                const double amount = AmountOwed(*task, rangeSeconds);
                if (section.countsInGrand)
                    grandAmount += amount;
                doc.AddElement(Spacer);
                text = "Amount owed for project \"";
                text += escapedName;
                text += "\"\nfrom ";
                AppendDateTime(text, a, localTimes);
                text += " to ";
                AppendDateTime(text, b, localTimes);
                AppendMoney(text, ": $%.2f", amount);
                doc.AddElement(Heading3, text);
            }
            for (int i = 0; i < 6; ++i)
                doc.AddElement(Spacer);
        }
    }

    if (options.notesMode == NotesAtBottom && !bottomNotes.empty()) {
        doc.AddElement(Spacer);
        doc.AddElement(Spacer);
        doc.AddElement(Heading2, "Multiline Notes");
        doc.AddElement(Rule);
        doc.AddElement(Text, bottomNotes);
        doc.AddElement(Spacer);
        doc.AddElement(Spacer);
    }
    doc.AddElement(Heading2, "Total Time For All Records in This Report:\n" +
                                 duration::FormatDays(grandTotal));
    if (options.costPerHour) {
        doc.AddElement(Spacer);
        text.clear();
        AppendMoney(text, "Total Amount Owed: $%.2f", grandAmount);
        doc.AddElement(Heading2, text);
    }
    return doc;
}

std::string RenderReport(const CReport& report, const ReportOptions& options, std::int64_t now,
                         unsigned weekStart, const CStore& store) {
    return BuildReportDocument(report, options, now, weekStart, store).TakeFileBytes();
}

std::string DefaultReportFileName(const std::string& title) {
    return title.substr(0, title.find_first_of(":\\/.")) + ".html";
}
