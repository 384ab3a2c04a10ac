#include "support/CoreTestSupport.h"

#include "FaultyFileOps.h"

#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "core/reports/HtmlDocument.h"
#include "core/reports/Report.h"
#include "core/reports/ReportWriter.h"
#include "core/timing/DurationFormat.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <memory>

namespace {

// Local times in America/New_York (EDT from 2026-03-08).
constexpr std::int64_t kNow = 1774465200;      // Wednesday 2026-03-25 15:00:00
constexpr std::int64_t kMidnight = 1774411200; // 2026-03-25 00:00:00
constexpr std::int64_t kHour = 3600;

const std::string kHead = "<HTML>\n<HEAD>\n<TITLE>";
const std::string kSpacer = "<p>&nbsp;</p>";
const std::string kEnd = "</PRE></BODY></HTML>";

std::string Repeat(const std::string& text, int times) {
    std::string out;
    for (int i = 0; i < times; ++i)
        out += text;
    return out;
}

const std::string kSixSpacers = Repeat(kSpacer, 6);

class ReportWriterTest : public ::testing::Test {
protected:
    coretest::ScopedTimeZone tz{"America/New_York"};
    CStore store;
    CReport report;
    ReportOptions options;

    void Project(const char* name, std::uint32_t dollars = 0, std::uint8_t cents = 0) {
        auto task = std::make_unique<CTask>(name);
        task->SetRate(dollars, cents);
        store.AppendTask(std::move(task));
    }
    void Period(const char* project, std::int64_t start, std::int64_t end, const char* notes = "",
                bool deleted = false) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(static_cast<std::int32_t>(start));
        period->SetEnd(static_cast<std::int32_t>(end));
        if (deleted)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
    }
    std::string Html(unsigned weekStart = 0) const {
        return BuildReportDocument(report, options, kNow, weekStart, store).BuildHtml();
    }
};

TEST_F(ReportWriterTest, TodayWithoutPeriodsWritesZeroTotalsWithCrLf) {
    Project("Web");
    report.AddItem("Web", 0, 0, PeriodToday);
    options.title = "Daily";
    options.showPeriods = true;
    EXPECT_EQ(RenderReport(report, options, kNow, 0, store),
              "<HTML>\r\n<HEAD>\r\n<TITLE>Daily</TITLE></HEAD>\r\n<BODY><PRE>"
              "<H1>Time Report For:\r\n\"Web\":\r\n03/25/26 to 03/25/26 (Today)</H1><P><HR>" +
                  kSpacer + "<H3>Time Logged For \"Web\": 0 day(s), 00:00:00</H3>" + kSixSpacers +
                  "<H2>Total Time For All Records in This Report:\r\n0 day(s), 00:00:00</H2>" +
                  kEnd);
}

TEST_F(ReportWriterTest, PeriodOverMidnightCountsFromMidnightWithMoney) {
    Project("Web", 10, 50);
    Period("Web", kMidnight - kHour, kMidnight + kHour, "late shift");
    Period("Web", kMidnight + 9 * kHour, kMidnight + 10 * kHour + 1800);
    Period("Web", kMidnight + 11 * kHour, kMidnight + 12 * kHour, "gone", /*deleted=*/true);
    report.AddItem("Web", 0, 0, PeriodToday);
    options.title = "Daily";
    options.showPeriods = true;
    options.costPerHour = true;
    EXPECT_EQ(Html(),
              kHead +
                  "Daily</TITLE></HEAD>\n<BODY><PRE>"
                  "<H1>Time Report For:\n\"Web\":\n03/25/26 to 03/25/26 (Today)</H1><P><HR>"
                  "03/25/26 00:00:00 - 03/25/26 01:00:00:  0 day(s), 01:00:00   late shift<P>"
                  "03/25/26 09:00:00 - 03/25/26 10:30:00:  0 day(s), 01:30:00   <P>" +
                  kSpacer + "<H3>Time Logged For \"Web\": 0 day(s), 02:30:00</H3>" + kSpacer +
                  "<H3>Amount owed for project \"Web\"\nfrom 03/25/26 00:00:00 to 03/25/26 "
                  "15:00:00: $26.25</H3>" +
                  kSixSpacers +
                  "<H2>Total Time For All Records in This Report:\n0 day(s), 02:30:00</H2>" +
                  kSpacer + "<H2>Total Amount Owed: $26.25</H2>" + kEnd);
}

TEST_F(ReportWriterTest, ClippingTableOfAFixedRange) {
    Project("P");
    const std::int64_t a = 1767621600; // 2026-01-05 09:00:00 EST
    const std::int64_t b = a + 2 * kHour;
    Period("P", a + 600, a + 1200); // whole
    Period("P", a, a + 60);         // starts at a: from a
    Period("P", a + 7000, b + 500); // clipped at the end
    Period("P", a - 100, a + 100);  // clipped at the start
    Period("P", a - 10, b + 10);    // clipped at both ends
    Period("P", a - 50, a);         // ends at a: nothing
    Period("P", b, b + 50);         // starts at b: nothing
    Period("P", b, b);              // zero length at b: listed with zero seconds
    Period("P", a, a);              // zero length at a: nothing
    Period("P", a + 7100, b);       // ends at b: whole
    Period("P", a + 10, a + 20, "", true);
    Period("Q", a + 10, a + 20);
    report.AddItem("P", static_cast<std::int32_t>(a), static_cast<std::int32_t>(b), PeriodOther);
    options.title = "Range";
    options.showPeriods = true;
    EXPECT_EQ(Html(),
              kHead +
                  "Range</TITLE></HEAD>\n<BODY><PRE>"
                  "<H1>Time Report For:\n\"P\":\n01/05/26 to 01/05/26 ()</H1><P><HR>"
                  "01/05/26 09:10:00 - 01/05/26 09:20:00:  0 day(s), 00:10:00   <P>"
                  "01/05/26 09:00:00 - 01/05/26 09:01:00:  0 day(s), 00:01:00   <P>"
                  "01/05/26 10:56:40 - 01/05/26 11:00:00:  0 day(s), 00:03:20   <P>"
                  "01/05/26 09:00:00 - 01/05/26 09:01:40:  0 day(s), 00:01:40   <P>"
                  "01/05/26 09:00:00 - 01/05/26 11:00:00:  0 day(s), 02:00:00   <P>"
                  "01/05/26 11:00:00 - 01/05/26 11:00:00:  0 day(s), 00:00:00   <P>"
                  "01/05/26 10:58:20 - 01/05/26 11:00:00:  0 day(s), 00:01:40   <P>" +
                  kSpacer + "<H3>Time Logged For \"P\": 0 day(s), 02:17:40</H3>" + kSixSpacers +
                  "<H2>Total Time For All Records in This Report:\n0 day(s), 02:17:40</H2>" + kEnd);
}

TEST_F(ReportWriterTest, NotesModes) {
    Project("Notes");
    Period("Notes", kMidnight + 9 * kHour, kMidnight + 10 * kHour, "first\r\nsecond");
    Period("Notes", kMidnight + 11 * kHour, kMidnight + 12 * kHour, "single");
    report.AddItem("Notes", 0, 0, PeriodToday);
    options.title = "N";
    const std::string start = kHead + "N</TITLE></HEAD>\n<BODY><PRE>"
                                      "<H1>Time Report For:\n\"Notes\":\n03/25/26 to 03/25/26 "
                                      "(Today)</H1><P><HR>";
    const std::string line1 = "03/25/26 09:00:00 - 03/25/26 10:00:00:  0 day(s), 01:00:00   ";
    const std::string line2 =
        "03/25/26 11:00:00 - 03/25/26 12:00:00:  0 day(s), 01:00:00   single<P>";
    const std::string logged =
        kSpacer + "<H3>Time Logged For \"Notes\": 0 day(s), 02:00:00</H3>" + kSixSpacers;
    const std::string total =
        "<H2>Total Time For All Records in This Report:\n0 day(s), 02:00:00</H2>" + kEnd;
    struct Case {
        NotesMode mode;
        bool showPeriods;
        std::string expected;
    };
    const Case cases[] = {
        // The top line without the CR of its line end: no stray CR inside the report's line.
        {TopLineOnly, true, start + line1 + "first<P>" + line2 + logged + total},
        {NotesAtBottom, true,
         start + line1 + "<P>" + line2 + logged + kSpacer + kSpacer +
             "<H2>Multiline Notes</H2><HR>Notes For: Notes   03/25/26 09:00:00 - 03/25/26 "
             "10:00:00\nfirst\nsecond\n" +
             kSpacer + kSpacer + total},
        {OmitNotes, true, start + line1 + "<P>" + line2 + logged + total},
        // Without period lines no notes are collected, so there is no notes section.
        {NotesAtBottom, false, start + logged + total},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        options.notesMode = c.mode;
        options.showPeriods = c.showPeriods;
        EXPECT_EQ(Html(), c.expected);
        // The file ends every line, the notes' own included, in exactly one CR LF.
        const std::string bytes = RenderReport(report, options, kNow, 0, store);
        EXPECT_EQ(bytes.find("\r\r"), std::string::npos);
        auto withoutCr = [](std::string text) {
            text.erase(std::remove(text.begin(), text.end(), '\r'), text.end());
            return text;
        };
        EXPECT_EQ(withoutCr(bytes), withoutCr(c.expected));
        std::size_t lineFeeds = 0, crLfs = 0;
        for (std::size_t i = 0; i < bytes.size(); ++i) {
            lineFeeds += bytes[i] == '\n';
            crLfs += bytes[i] == '\n' && i > 0 && bytes[i - 1] == '\r';
        }
        EXPECT_EQ(crLfs, lineFeeds);
    }
}

TEST_F(ReportWriterTest, GrandTotalsCountEachProjectsLongestItemsOnly) {
    Project("A", 10);
    Project("B", 20);
    Period("A", kMidnight + 9 * kHour, kMidnight + 10 * kHour); // today and this week
    Period("A", kMidnight - 3 * 86400 + 10 * kHour, kMidnight - 3 * 86400 + 12 * kHour); // Sunday
    Period("B", 1767621600, 1767621600 + 2 * kHour); // January 5th
    report.AddItem("A", 0, 0, PeriodToday);
    report.AddItem("A", 0, 0, PeriodWeek);
    report.AddItem("B", 0, 0, PeriodYear);
    options.title = "Totals";
    options.costPerHour = true;
    auto section = [](const std::string& name, const std::string& range, const std::string& kind,
                      const std::string& logged, const std::string& from, const std::string& owed) {
        return "<H1>Time Report For:\n\"" + name + "\":\n" + range + " (" + kind + ")</H1><P><HR>" +
               kSpacer + "<H3>Time Logged For \"" + name + "\": " + logged + "</H3>" + kSpacer +
               "<H3>Amount owed for project \"" + name + "\"\nfrom " + from +
               " to 03/25/26 15:00:00: $" + owed + "</H3>" + kSixSpacers;
    };
    EXPECT_EQ(Html(0),
              kHead + "Totals</TITLE></HEAD>\n<BODY><PRE>" +
                  section("B", "01/01/26 to 03/25/26", "Year To Date", "0 day(s), 02:00:00",
                          "01/01/26 00:00:00", "40.00") +
                  section("A", "03/22/26 to 03/25/26", "Week To Date", "0 day(s), 03:00:00",
                          "03/22/26 00:00:00", "30.00") +
                  section("A", "03/25/26 to 03/25/26", "Today", "0 day(s), 01:00:00",
                          "03/25/26 00:00:00", "10.00") +
                  "<H2>Total Time For All Records in This Report:\n0 day(s), 05:00:00</H2>" +
                  kSpacer + "<H2>Total Amount Owed: $70.00</H2>" + kEnd);

    // Items of equal length all count.
    CReport twice;
    twice.AddItem("B", 1767589200, 1767675599, PeriodOther); // January 5th, twice
    twice.AddItem("B", 1767589200, 1767675599, PeriodOther);
    const std::string html = BuildReportDocument(twice, options, kNow, 0, store).BuildHtml();
    EXPECT_NE(html.find("Report:\n0 day(s), 04:00:00</H2>"), std::string::npos) << html;
    EXPECT_NE(html.find("Total Amount Owed: $80.00"), std::string::npos) << html;
}

TEST_F(ReportWriterTest, MoneyInDoublePrecision) {
    // 1 h 30 min at 10.50 is 15.75; a large rate over long hours keeps its cents.
    struct Case {
        std::uint32_t dollars;
        std::uint8_t cents;
        std::int64_t seconds;
        const char* owed;
    };
    const Case cases[] = {{10, 50, 5400, "15.75"},
                          {0, 1, 1, "0.00"},
                          {123456, 78, 360000, "12345678.00"},
                          {99, 99, 4000000, "111100.00"}};
    for (const Case& c : cases) {
        CStore s;
        auto task = std::make_unique<CTask>("M");
        task->SetRate(c.dollars, c.cents);
        s.AppendTask(std::move(task));
        auto period = std::make_unique<CDoneTask>("M", "");
        period->SetStart(1000);
        period->SetEnd(static_cast<std::int32_t>(1000 + c.seconds));
        s.AppendDoneTask(std::move(period));
        CReport r;
        r.AddItem("M", 0, 2000000000, PeriodOther);
        options.costPerHour = true;
        const std::string html = BuildReportDocument(r, options, kNow, 0, s).BuildHtml();
        EXPECT_NE(html.find(std::string("Total Amount Owed: $") + c.owed + "</H2>"),
                  std::string::npos)
            << c.dollars << "." << int(c.cents) << " for " << c.seconds << "\n"
            << html;
    }
}

TEST_F(ReportWriterTest, TitlePageBlankUnits) {
    options.title = "Overview";
    options.titlePage = true;
    struct Case {
        int todayItems;
        std::uint16_t pageLines;
        int above;
        int below;
    };
    // Items whose project is gone still take a line on the title page but write no section.
    const Case cases[] = {
        {19, 15, 8, 0}, {2, 15, 13, 12}, {26, 5, 1, 0}, {27, 5, 0, 0}, {40, 50, 0, 9}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.todayItems);
        CReport r;
        r.AddItem("Old", 1107147600, 1107233999, PeriodOther); // 01/31/05, the whole day
        for (int i = 0; i < c.todayItems; ++i)
            r.AddItem("Gone", 0, 0, PeriodToday);
        options.pageLines = c.pageLines;
        const std::string blank = " " + kSpacer;
        EXPECT_EQ(BuildReportDocument(r, options, kNow, 0, store).BuildHtml(),
                  kHead + "Overview</TITLE></HEAD>\n<BODY><PRE><H3>Wednesday March 25, 2026</H3>" +
                      Repeat(blank, c.above) + "<CENTER><H2>Overview</H2></CENTER>" + kSpacer +
                      Repeat("<CENTER><B>Gone: Today</B></CENTER>" + kSpacer, c.todayItems) +
                      "<CENTER><B>Old: 01/31/05 - 01/31/05</B></CENTER>" + kSpacer +
                      Repeat(blank, c.below) +
                      "<H2>Total Time For All Records in This Report:\n0 day(s), 00:00:00</H2>" +
                      kEnd);
    }
}

TEST_F(ReportWriterTest, UserTextIsEscaped) {
    Project("<script>alert(1)</script>", 1);
    Period("<script>alert(1)</script>", kMidnight + 9 * kHour, kMidnight + 10 * kHour,
           "Caf\xC3\xA9 & \"bar\" \xF0\x9F\x98\x80\nline <two>");
    report.AddItem("<script>alert(1)</script>", 0, 0, PeriodToday);
    options.title = "Tom & Jerry's <b>report</b> \xC3\xA9";
    options.showPeriods = true;
    options.titlePage = true;
    options.pageLines = 5;
    options.notesMode = NotesAtBottom;
    const std::string name = "&lt;script&gt;alert(1)&lt;/script&gt;";
    const std::string title = "Tom &amp; Jerry's &lt;b&gt;report&lt;/b&gt; &#233;";
    EXPECT_EQ(Html(),
              kHead + title + "</TITLE></HEAD>\n<BODY><PRE><H3>Wednesday March 25, 2026</H3>" +
                  Repeat(" " + kSpacer, 13) + "<CENTER><H2>" + title + "</H2></CENTER>" + kSpacer +
                  "<CENTER><B>" + name + ": Today</B></CENTER>" + kSpacer +
                  Repeat(" " + kSpacer, 4) + "<H1>Time Report For:\n\"" + name +
                  "\":\n03/25/26 to 03/25/26 (Today)</H1><P><HR>"
                  "03/25/26 09:00:00 - 03/25/26 10:00:00:  0 day(s), 01:00:00   <P>" +
                  kSpacer + "<H3>Time Logged For \"" + name + "\": 0 day(s), 01:00:00</H3>" +
                  kSixSpacers + kSpacer + kSpacer +
                  "<H2>Multiline Notes</H2><HR>Notes For: " + name +
                  "   03/25/26 09:00:00 - 03/25/26 10:00:00\nCaf&#233; &amp; &quot;bar&quot; "
                  "&#128512;\nline &lt;two&gt;\n" +
                  kSpacer + kSpacer +
                  "<H2>Total Time For All Records in This Report:\n0 day(s), 01:00:00</H2>" + kEnd);

    const struct {
        std::string in;
        std::string out;
    } cases[] = {{"plain", "plain"},
                 {"\xE2\x82\xAC", "&#8364;"}, // the euro sign, not the code page's 128
                 {"\xC2\x81", "&#129;"},      // C1 controls too
                 {"a\xFF"
                  "b",
                  "a&#65533;b"},                                // a byte that is not UTF-8
                 {"\xC3", "&#65533;"},                          // a sequence cut short
                 {"\xC0\xAF", "&#65533;&#65533;"},              // an overlong form
                 {"\xED\xA0\x80", "&#65533;&#65533;&#65533;"}}; // a surrogate
    for (const auto& c : cases)
        EXPECT_EQ(EscapeHtml(c.in), c.out) << c.in;
}

TEST_F(ReportWriterTest, RangesAtNow) {
    Project("First");
    Period("First", 1767621600, 1767621600 + kHour); // 2026-01-05 09:00
    struct Case {
        ReportPeriod kind;
        std::int64_t now;
        unsigned weekStart;
        const char* project;
        const char* start;
        const char* end;
    };
    const std::int64_t dstWeek = 1773255600; // Wednesday 2026-03-11 15:00 EDT
    const Case cases[] = {
        {PeriodToday, kNow, 0, "First", "03/25/26 00:00:00", "03/25/26 15:00:00"},
        {PeriodMonth, kNow, 0, "First", "03/01/26 00:00:00", "03/25/26 15:00:00"},
        {PeriodYear, kNow, 0, "First", "01/01/26 00:00:00", "03/25/26 15:00:00"},
        {PeriodWeek, kNow, 0, "First", "03/22/26 00:00:00", "03/25/26 15:00:00"},
        {PeriodWeek, kNow, 5, "First", "03/20/26 00:00:00", "03/25/26 15:00:00"},
        // On the first day of the week: the seven whole days before today.
        {PeriodWeek, kNow, 3, "First", "03/18/26 00:00:00", "03/25/26 00:00:00"},
        // Counted back in seconds, so the hour lost on March 8th moves the start.
        {PeriodWeek, dstWeek, 0, "First", "03/07/26 23:00:00", "03/11/26 15:00:00"},
        {PeriodTotal, kNow, 0, "First", "01/05/26 09:00:00", "03/25/26 15:00:00"},
        // A Total item whose project is gone and a fixed range keep what they had.
        {PeriodTotal, kNow, 0, "Gone", "01/31/05 00:00:00", "01/31/05 23:59:59"},
        {PeriodOther, kNow, 0, "First", "01/31/05 00:00:00", "01/31/05 23:59:59"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << c.kind << " " << c.weekStart);
        const CReportItem item(c.project, 1107147600, 1107233999, c.kind);
        const ReportRange range = ComputeItemRange(item, c.now, c.weekStart, store);
        EXPECT_EQ(FormatReportDateTime(range.start), c.start);
        EXPECT_EQ(FormatReportDateTime(range.end), c.end);
    }
}

// Each period line against the one-at-a-time formatting, for a store as a file gives it
// (names shared by their periods): more projects than the writer keeps at hand, periods of
// projects interleaved in the list, times running back and forth over a year with both
// daylight saving changes, notes of every kind, deleted periods left out.
TEST_F(ReportWriterTest, LinesOfManyInterleavedProjectsMatchTheirTimesOneByOne) {
    constexpr std::uint32_t kProjects = 300;
    const char* const notes[] = {"",        "plain",  "a & <b>",     "Caf\xC3\xA9 \xF0\x9F\x98\x80",
                                 "bad\xFF", "cr\rin", "top\r\nrest", "top\nrest"};
    auto projectName = [](std::uint32_t i) {
        std::string text = "P";
        text += std::to_string(i);
        return text;
    };
    for (std::uint32_t i = 0; i < kProjects; ++i)
        Project(projectName(i).c_str());
    std::uint32_t random = 12345;
    auto next = [&random](std::uint32_t below) {
        random = random * 1103515245u + 12345u;
        return (random >> 8) % below;
    };
    std::int64_t time = 1764000000; // 2025-11-24, then back to early 2025 and forth again
    for (int i = 0; i < 4000; ++i) {
        time += i < 3000 ? -static_cast<std::int64_t>(next(20000)) : next(30000);
        const std::int64_t length = next(7 * kHour);
        Period(projectName(next(kProjects)).c_str(), time, time + length, notes[next(8)],
               next(10) == 0);
    }
    CStore loaded;
    ASSERT_FALSE(CDataFile::Read(CDataFile::Write(store, {}, 0), loaded).damaged);
    options.title = "All";
    options.showPeriods = true;
    for (const auto& task : loaded.Tasks())
        report.AddItem(task->GetName(), 0, 0, PeriodTotal);

    const std::string html = BuildReportDocument(report, options, kNow, 0, loaded).BuildHtml();
    for (const auto& item : report.Items()) {
        const std::string& name = item->GetProject();
        SCOPED_TRACE(name);
        std::string lines;
        for (const auto& period : loaded.DoneTasks()) {
            if (period->IsDeleted() || period->GetProject() != name)
                continue;
            std::string_view shown = period->GetNotes();
            shown = shown.substr(0, shown.find('\n'));
            if (shown.size() != period->GetNotes().size() && !shown.empty() && shown.back() == '\r')
                shown.remove_suffix(1);
            lines += FormatReportDateTime(period->GetStart());
            lines += " - ";
            lines += FormatReportDateTime(period->GetEnd());
            lines += ":  ";
            lines += duration::FormatDays(period->GetDuration());
            lines += "   ";
            lines += EscapeHtml(shown);
            lines += "<P>";
        }
        const ReportRange range = ComputeItemRange(*item, kNow, 0, loaded);
        std::string heading = "\"";
        heading += name;
        heading += "\":\n";
        heading += FormatReportDate(range.start);
        heading += " to ";
        heading += FormatReportDate(range.end);
        heading += " (Total)</H1><P><HR>";
        const std::size_t at = html.find(heading);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(html.substr(at + heading.size(), lines.size()), lines);
        EXPECT_EQ(
            html.compare(at + heading.size() + lines.size(), kSpacer.size() + 4, kSpacer + "<H3>"),
            0);
    }
}

// A report larger than the pieces it is written in reaches its file byte for byte as it
// renders; a failed write leaves the old file whole and says where.
TEST_F(ReportWriterTest, AFileWrittenAsItIsMadeHoldsTheRenderedPage) {
    for (const char* name : {"A", "B & C", "D"})
        Project(name, 12, 34);
    const char* const names[] = {"A", "B & C", "D"};
    const char* const notes[] = {"", "n & <x> \xC3\xA9", "two\r\nlines", "note"};
    for (int i = 0; i < 30000; ++i)
        Period(names[i % 3], kNow - 600 * (i + 1), kNow - 600 * i - 60, notes[i % 4]);
    for (const char* name : names)
        report.AddItem(name, 0, 0, PeriodTotal);
    options.title = "Big";
    options.showPeriods = true;
    options.costPerHour = true;
    options.notesMode = NotesAtBottom;
    const std::string expected = RenderReport(report, options, kNow, 0, store);
    ASSERT_GT(expected.size(), 2u * 1024 * 1024);

    coretest::TempDir dir;
    const std::string path = dir.file("big.html");
    const FileResult written = WriteReportFile(path, report, options, kNow, 0, store);
    ASSERT_TRUE(written.ok) << written.message;
    EXPECT_TRUE(coretest::ReadFile(path) == expected);

    coretest::WriteFile(path, "the old report");
    FaultyFileOps ops;
    ops.failAfterBytes = 1000;
    const FileResult failed = WriteReportFile(path, report, options, kNow, 0, store, ops);
    EXPECT_FALSE(failed.ok);
    EXPECT_NE(failed.message.find(path), std::string::npos) << failed.message;
    EXPECT_EQ(coretest::ReadFile(path), "the old report");
    EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()),
                            std::filesystem::directory_iterator()),
              1);
}

TEST(ReportFileName, CutAtTheFirstSeparator) {
    const struct {
        const char* title;
        const char* name;
    } cases[] = {{"Q1/2005 hours", "Q1.html"},
                 {"Summary 2.1", "Summary 2.html"},
                 {"a\\b:c", "a.html"},
                 {"Plain title", "Plain title.html"}};
    for (const auto& c : cases)
        EXPECT_EQ(DefaultReportFileName(c.title), c.name);
}

} // namespace
