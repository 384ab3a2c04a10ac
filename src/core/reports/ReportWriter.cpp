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
#include <array>
#include <cstdio>
#include <cstring>
#include <limits>
#include <memory>
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
        CPeriodProjectLookup firstStartOf(static_cast<FirstStart*>(nullptr),
                                          [&firstStarts](const std::string& name) -> FirstStart* {
                                              const auto found = firstStarts.find(name);
                                              return found != firstStarts.end() ? &found->second
                                                                                : nullptr;
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

namespace {

// Local times as the report's period lines show them, "MM/DD/YY HH:MM:SS", written in
// place. A period's start and end mostly fall on one UTC day, whose offset is kept from one
// time to the next; every local day's date is kept once made, as a report's sections walk
// the same days again. The result is always CLocalTimeCache::At's.
class CReportTimeWriter {
public:
    static constexpr std::size_t kSize = 17;

    // Writes the time at `at` (kSize bytes, or nothing when it cannot be shown); returns
    // the end of what was written.
    char* Put(char* at, std::int64_t time) {
        if (static_cast<std::uint64_t>(time - m_utcDayStart) >= 86400) {
            m_utcDayStart = time - ((time % 86400) + 86400) % 86400;
            m_utcDayOffset = m_localTimes.SteadyOffset(time);
        }
        if (!m_utcDayOffset) {
            const std::optional<LocalDateTime> local = m_localTimes.At(time);
            if (!local)
                return at;
            PutDate(at, *local);
            at[kDateSize] = ' ';
            return PutClock(at + kDateSize + 1, local->hour, local->minute, local->second);
        }
        const std::int64_t shifted = time + *m_utcDayOffset;
        const std::int64_t secondOfDay = ((shifted % 86400) + 86400) % 86400;
        std::memcpy(at, DateOf((shifted - secondOfDay) / 86400, shifted), kDateSize);
        at[kDateSize] = ' ';
        return PutClockOfDay(at + kDateSize + 1, static_cast<unsigned>(secondOfDay));
    }

private:
    static constexpr std::size_t kDateSize = 8;
    using Date = std::array<char, kDateSize>;

    static char* PutTwoDigits(char* at, int value) {
        if (value < 0 || value > 99)
            value = ((value % 100) + 100) % 100;
        at[0] = static_cast<char>('0' + value / 10);
        at[1] = static_cast<char>('0' + value % 10);
        return at + 2;
    }
    // "MM/DD/YY" (kDateSize bytes).
    static void PutDate(char* at, const LocalDateTime& local) {
        at = PutTwoDigits(at, local.month);
        *at++ = '/';
        at = PutTwoDigits(at, local.day);
        *at++ = '/';
        PutTwoDigits(at, local.year);
    }
    // "HH:MM:SS" of a second of the day (0 to 86399), from a table of digit pairs.
    static char* PutClockOfDay(char* at, unsigned second) {
        static constexpr auto kPairs = [] {
            std::array<std::array<char, 2>, 100> pairs{};
            for (std::size_t i = 0; i < pairs.size(); ++i)
                pairs[i] = {static_cast<char>('0' + i / 10), static_cast<char>('0' + i % 10)};
            return pairs;
        }();
        const unsigned hour = second / 3600;
        second -= hour * 3600;
        const unsigned minute = second / 60;
        second -= minute * 60;
        std::memcpy(at, kPairs[hour].data(), 2);
        at[2] = ':';
        std::memcpy(at + 3, kPairs[minute].data(), 2);
        at[5] = ':';
        std::memcpy(at + 6, kPairs[second].data(), 2);
        return at + 8;
    }
    static char* PutClock(char* at, int hour, int minute, int second) {
        at = PutTwoDigits(at, hour);
        *at++ = ':';
        at = PutTwoDigits(at, minute);
        *at++ = ':';
        return PutTwoDigits(at, second);
    }

    // The date of local day `day` (`shifted` being a local time on it, counted as UTC).
    const char* DateOf(std::int64_t day, std::int64_t shifted) {
        // A day far from the others (a damaged or hand-made record) is not worth a table
        // that reaches it.
        constexpr std::int64_t kMostDays = 1 << 20;
        const auto size = std::ssize(m_dates);
        if (m_dates.empty()) {
            m_firstDay = day;
            m_dates.emplace_back();
        } else if (day < m_firstDay && m_firstDay - day + size <= kMostDays) {
            // Periods newest first walk back a day at a time: grown downwards in steps.
            const std::int64_t grow = std::min(std::max(m_firstDay - day, size), kMostDays - size);
            m_dates.insert(m_dates.begin(), static_cast<std::size_t>(grow), Date{});
            m_firstDay -= grow;
        } else if (day >= m_firstDay + size && day - m_firstDay < kMostDays) {
            m_dates.resize(static_cast<std::size_t>(day - m_firstDay + 1));
        }
        Date* date = day >= m_firstDay && day < m_firstDay + std::ssize(m_dates)
                         ? &m_dates[static_cast<std::size_t>(day - m_firstDay)]
                         : &m_otherDate;
        // Not made yet (a made date never starts with a zero byte), or a day out of reach.
        if ((*date)[0] == '\0' || date == &m_otherDate)
            PutDate(date->data(), CLocalTimeCache::FieldsOf(shifted));
        return date->data();
    }

    CLocalTimeCache m_localTimes;
    // The UTC day last asked about (none at first) and its offset.
    std::int64_t m_utcDayStart = std::numeric_limits<std::int64_t>::min() / 2;
    std::optional<std::int64_t> m_utcDayOffset;
    // The date of every local day from m_firstDay on.
    std::vector<Date> m_dates;
    std::int64_t m_firstDay = 0;
    Date m_otherDate{};
};

char* PutText(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// What a period line needs of a period, copied out of the store in list order: a project's
// lines are then written from memory read front to back, where the periods themselves lie
// spread over the whole store.
struct PeriodFields {
    std::int32_t start;
    std::int32_t end;
    std::uint32_t notesSize; // its notes follow the project's earlier periods' notes
};

// Everything a report needs of one project named by its items.
struct ProjectItems {
    std::size_t count = 0; // items
    std::int64_t longest = std::numeric_limits<std::int64_t>::min();
    // Its periods, in list order, and their notes back to back (when lines are shown).
    std::size_t periodCount = 0;
    std::size_t notesSize = 0;
    PeriodFields* periods = nullptr;
    char* notes = nullptr;
    // Where the next of them go while they are gathered.
    PeriodFields* nextFields = nullptr;
    char* nextNotes = nullptr;
};
using ProjectMap = std::unordered_map<std::string_view, ProjectItems>;

// The periods of the report's projects, gathered in two walks over the store: one to size
// every project's share, one to copy the fields into it. Two blocks of their final size
// hold them all, so nothing is moved or grown on the way.
class CGatheredPeriods {
public:
    CGatheredPeriods(const CStore& store, bool withNotes, ProjectMap& projects) {
        CPeriodProjectLookup itemsOf(static_cast<ProjectItems*>(nullptr),
                                     [&projects](const std::string& name) -> ProjectItems* {
                                         const auto found = projects.find(name);
                                         return found != projects.end() ? &found->second : nullptr;
                                     });
        for (const auto& period : store.DoneTasks()) {
            if (period->IsDeleted())
                continue;
            ProjectItems* items = itemsOf.Of(*period);
            if (items == nullptr)
                continue;
            ++items->periodCount;
            if (withNotes)
                items->notesSize += NotesOf(*period).size();
        }
        std::size_t periods = 0;
        std::size_t notes = 0;
        for (const auto& entry : projects) {
            periods += entry.second.periodCount;
            notes += entry.second.notesSize;
        }
        // Written whole before they are read: not cleared first.
        m_fields.reset(new PeriodFields[periods]);
        m_notes.reset(new char[notes]);
        PeriodFields* fields = m_fields.get();
        char* text = m_notes.get();
        for (auto& entry : projects) {
            ProjectItems& items = entry.second;
            items.periods = items.nextFields = fields;
            items.notes = items.nextNotes = text;
            fields += items.periodCount;
            text += items.notesSize;
        }
        for (const auto& period : store.DoneTasks()) {
            if (period->IsDeleted())
                continue;
            ProjectItems* items = itemsOf.Of(*period);
            if (items == nullptr)
                continue;
            std::uint32_t size = 0;
            if (withNotes) {
                const std::string_view notes = NotesOf(*period);
                if (!notes.empty()) {
                    std::memcpy(items->nextNotes, notes.data(), notes.size());
                    items->nextNotes += notes.size();
                    size = static_cast<std::uint32_t>(notes.size());
                }
            }
            *items->nextFields++ = {period->GetStart(), period->GetEnd(), size};
        }
    }

private:
    // A record's notes are bounded far below 4 GB by the file format; one made in memory
    // is cut there rather than miscounted.
    static std::string_view NotesOf(const CDoneTask& period) {
        const std::string_view notes = period.GetNotes();
        return notes.substr(0, std::numeric_limits<std::uint32_t>::max());
    }

    std::unique_ptr<PeriodFields[]> m_fields;
    std::unique_ptr<char[]> m_notes;
};

} // namespace

namespace {

// The whole page into `doc`, as BuildReportDocument describes it.
void WriteReportPage(CHtmlDocument& doc, const CReport& report, const ReportOptions& options,
                     std::int64_t now, unsigned weekStart, const CStore& store) {
    struct Section {
        const CReportItem* item;
        ProjectItems* project;
        std::int64_t a;
        std::int64_t b;
        bool countsInGrand;
    };

    ProjectMap projects;
    for (const auto& item : report.Items())
        ++projects[item->GetProject()].count;
    const CGatheredPeriods gathered(store, options.showPeriods, projects);

    // The ranges at `now`, as ComputeItemRanges gives them: a Total item of a project in the
    // store starts at its first period (or now).
    std::vector<Section> sections;
    sections.reserve(report.GetItemCount());
    for (const auto& item : report.Items()) {
        ProjectItems& p = projects[item->GetProject()];
        std::optional<std::int64_t> firstStart;
        if (item->GetKind() == PeriodTotal && store.FindTask(item->GetProject()) != nullptr) {
            firstStart = now;
            for (std::size_t i = 0; i < p.periodCount; ++i)
                *firstStart = std::min<std::int64_t>(*firstStart, p.periods[i].start);
        }
        const ReportRange r = RangeAt(*item, now, weekStart, firstStart);
        // A project's seconds reach the grand totals only from its longest items, so a report
        // with both Today and Week To Date of one project does not count today twice.
        p.longest = std::max<std::int64_t>(p.longest, std::int64_t{r.end} - r.start);
        sections.push_back({item.get(), &p, r.start, r.end, true});
    }
    std::vector<ReportRange> ranges;
    ranges.reserve(sections.size());
    for (Section& s : sections) {
        s.countsInGrand = !(s.project->count > 1 && s.project->longest > s.b - s.a);
        ranges.push_back({static_cast<std::int32_t>(s.a), static_cast<std::int32_t>(s.b)});
    }

    if (options.showPeriods) {
        // Room for every line as it mostly is (its notes need no escaping), so the page is
        // written once without being moved.
        std::size_t bytes = 4096 + sections.size() * 1024;
        for (const Section& s : sections)
            bytes += s.project->periodCount * 80 + s.project->notesSize;
        doc.Reserve(bytes);
    }
    std::string bottomNotes;
    std::int64_t grandTotal = 0;
    double grandAmount = 0.0;

    // The title first: the page's head comes before everything else in its bytes.
    doc.SetTitle(EscapeHtml(options.title));
    if (options.titlePage)
        WriteTitlePage(doc, ranges, report, options, now);

    constexpr std::string_view kTo = " - ";
    constexpr std::string_view kBeforeDays = ":  ";
    constexpr std::string_view kBeforeNotes = "   ";
    constexpr std::string_view kLineEnd = "<P>"; // the paragraph after each line
    constexpr std::size_t kLineRoom = 2 * CReportTimeWriter::kSize + kTo.size() +
                                      kBeforeDays.size() + duration::kDaysMaxSize +
                                      kBeforeNotes.size() + kLineEnd.size();
    std::string text;
    CReportTimeWriter times;
    CLocalTimeCache localTimes;
    for (const Section& section : sections) {
        const std::string& name = section.item->GetProject();
        const std::int64_t a = section.a;
        const std::int64_t b = section.b;
        const PeriodFields* const periods = section.project->periods;
        const std::size_t periodCount = section.project->periodCount;
        const char* const allNotes = section.project->notes;
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

            std::size_t notesAt = 0;
            for (std::size_t i = 0; i < periodCount; ++i) {
                const PeriodFields& period = periods[i];
                const std::int64_t s = period.start;
                const std::int64_t e = period.end;
                const std::string_view notes(allNotes + notesAt, period.notesSize);
                notesAt += period.notesSize;
                rangeSeconds += ClippedSeconds(s, e, a, b);
                const Share share = ShareOf(s, e, a, b);
                if (!share.counted)
                    continue;
                itemTotal += share.seconds;
                if (section.countsInGrand)
                    grandTotal += share.seconds;
                if (!options.showPeriods)
                    continue;

                // The line goes straight into the page: it holds no line feed of its own.
                const std::size_t lineFeed = notes.find('\n');
                std::string_view shownNotes;
                if (lineFeed == std::string_view::npos) {
                    shownNotes = notes;
                } else if (options.notesMode == TopLineOnly) {
                    // The line's own CR goes with its line feed, so the line ends once.
                    shownNotes = notes.substr(0, lineFeed);
                    if (!shownNotes.empty() && shownNotes.back() == '\r')
                        shownNotes.remove_suffix(1);
                }
                char* const line = doc.Room(kLineRoom + shownNotes.size() * kEscapedHtmlGrowth);
                char* at = times.Put(line, share.shownStart);
                at = PutText(at, kTo);
                at = times.Put(at, share.shownEnd);
                const std::string_view shown(line, static_cast<std::size_t>(at - line));
                at = PutText(at, kBeforeDays);
                at = duration::PutDays(at, share.seconds);
                at = PutText(at, kBeforeNotes);
                at = PutEscapedHtml(at, shownNotes);
                if (lineFeed != std::string_view::npos && options.notesMode == NotesAtBottom) {
                    bottomNotes += "Notes For: ";
                    AppendEscapedHtml(bottomNotes, name);
                    bottomNotes += "   ";
                    bottomNotes += shown;
                    bottomNotes += '\n';
                    AppendEscapedHtml(bottomNotes, notes);
                    bottomNotes += '\n';
                }
                at = PutText(at, kLineEnd);
                doc.Commit(at);
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
}

} // namespace

CHtmlDocument BuildReportDocument(const CReport& report, const ReportOptions& options,
                                  std::int64_t now, unsigned weekStart, const CStore& store) {
    CHtmlDocument doc;
    WriteReportPage(doc, report, options, now, weekStart, store);
    return doc;
}

FileResult WriteReportFile(const std::string& path, const CReport& report,
                           const ReportOptions& options, std::int64_t now, unsigned weekStart,
                           const CStore& store, FileOps& ops) {
    return ReplaceFileDurably(
        path,
        [&](const FilePieceSink& write) {
            // The page goes out as it is written: the file's bytes are never whole in memory.
            CHtmlDocument doc([&write](std::string_view piece) { write(piece); });
            WriteReportPage(doc, report, options, now, weekStart, store);
            doc.Finish();
        },
        ops, NewFileMode::ForPeople);
}

std::string RenderReport(const CReport& report, const ReportOptions& options, std::int64_t now,
                         unsigned weekStart, const CStore& store) {
    return BuildReportDocument(report, options, now, weekStart, store).TakeFileBytes();
}

std::string DefaultReportFileName(const std::string& title) {
    return title.substr(0, title.find_first_of(":\\/.")) + ".html";
}
