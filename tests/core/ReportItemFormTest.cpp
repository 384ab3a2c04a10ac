#include "support/CoreTestSupport.h"

#include "core/data/Store.h"
#include "core/reports/Report.h"
#include "core/reports/ReportItemForm.h"
#include "core/reports/ReportOptions.h"
#include "core/reports/ReportWriter.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

using Field = ReportItemField;

// A filled-in "Other Time Period" form for January 2005, valid as it stands.
ReportItemForm OtherForm() {
    ReportItemForm form;
    form.project = "Web";
    form.checked[5] = true;
    form.startMonth = 0;
    form.endMonth = 0;
    form.startDay = "1";
    form.startYear = "2005";
    form.endDay = "31";
    form.endYear = "2005";
    return form;
}

struct Expected {
    std::string caption;
    std::string text;
    Field focus;
};

TEST(ReportItemForm, ChecksInOrderWithTheirTexts) {
    const std::string positive = "Please enter a positive integer.";
    struct Case {
        const char* name;
        std::function<void(ReportItemForm&)> change;
        std::vector<Expected> messages;
    };
    const Case cases[] = {
        {"no project, no month",
         [](auto& f) {
             f.project.reset();
             f.startMonth = -1;
         },
         {{"No Project Selected", "Please select the project you would like to report on",
           Field::Project}}},
        {"no period button",
         [](auto& f) { f.checked = {}; },
         {{"No Time Period Selected", "Please select the time period you would like to report on",
           Field::PeriodButtons}}},
        {"no months",
         [](auto& f) {
             f.startMonth = -1;
             f.endMonth = -1;
         },
         {{"No Starting Month Selected", "Please select a starting month", Field::StartMonth}}},
        {"no end month",
         [](auto& f) { f.endMonth = -1; },
         {{"No Ending Month Selected", "Please select an ending month", Field::EndMonth}}},
        // An empty box draws the general message first, then its own.
        {"empty start day and end year",
         [](auto& f) {
             f.startDay.clear();
             f.endYear.clear();
         },
         {{"Punchwell", positive, Field::StartDay},
          {"No Starting Day Entered", "Please enter a starting day", Field::StartDay}}},
        {"empty end day",
         [](auto& f) { f.endDay.clear(); },
         {{"Punchwell", positive, Field::EndDay},
          {"No Ending Day Entered", "Please enter an ending day", Field::EndDay}}},
        {"empty start year",
         [](auto& f) { f.startYear.clear(); },
         {{"Punchwell", positive, Field::StartYear},
          {"No Starting Year Entered", "Please enter a starting year", Field::StartYear}}},
        {"empty end year",
         [](auto& f) { f.endYear.clear(); },
         {{"Punchwell", positive, Field::EndYear},
          {"No Ending Year Entered", "Please enter an ending year", Field::EndYear}}},
        // Other characters stop at once: no number the person did not type is used.
        {"letters in a box",
         [](auto& f) { f.endDay = "3x"; },
         {{"Punchwell", positive, Field::EndDay}}},
        {"number too large",
         [](auto& f) { f.startYear = "99999999999"; },
         {{"Punchwell", positive, Field::StartYear}}},
        // (assign: a one-letter literal here trips a false GCC 12 warning)
        {"day 0",
         [](auto& f) { f.startDay.assign(1, '0'); },
         {{"Invalid Day Entered", "Please enter a number between 1 and 31", Field::StartDay}}},
        {"April 31st",
         [](auto& f) {
             f.endMonth = 3;
             f.endDay = "31";
         },
         {{"Invalid Day Entered", "Please enter a number between 1 and 30", Field::EndDay}}},
        {"February 29th",
         [](auto& f) {
             f.startMonth = 1;
             f.startDay = "29";
             f.startYear = "2004";
         },
         {{"Invalid Day Entered", "Please enter a number between 1 and 28", Field::StartDay}}},
        {"1979",
         [](auto& f) { f.startYear = "1979"; },
         {{"Bad Starting Year", "Please enter a starting year between 1980 and 2034",
           Field::StartYear}}},
        {"2035",
         [](auto& f) { f.endYear = "2035"; },
         {{"Bad Ending Year", "Please enter an ending year between 1980 and 2034",
           Field::EndYear}}},
        {"start after end",
         [](auto& f) { f.startMonth = 1; },
         {{"Start Date After End Date",
           "The starting date your have entered is after the ending date.", Field::StartDay}}},
        {"start year after end year",
         [](auto& f) {
             f.startYear = "2006";
             f.endMonth = 11;
         },
         {{"Start Date After End Date",
           "The starting date your have entered is after the ending date.", Field::StartDay}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ReportItemForm form = OtherForm();
        c.change(form);
        const ReportItemCheck check = CheckReportItemForm(form);
        EXPECT_FALSE(check.accepted);
        ASSERT_EQ(check.messages.size(), c.messages.size());
        for (std::size_t i = 0; i < c.messages.size(); ++i) {
            EXPECT_EQ(check.messages[i].caption, c.messages[i].caption);
            EXPECT_EQ(check.messages[i].text, c.messages[i].text);
            EXPECT_EQ(check.messages[i].focus, c.messages[i].focus);
        }
    }
}

TEST(ReportItemForm, AcceptedForms) {
    {
        ReportItemForm form = OtherForm();
        form.startMonth = form.endMonth = 0;
        form.startDay = form.endDay = "31";
        form.endYear = "2034";
        form.startYear = "2034";
        const ReportItemCheck check = CheckReportItemForm(form); // equal dates, year 2034
        EXPECT_TRUE(check.accepted);
        EXPECT_TRUE(check.messages.empty());
        EXPECT_EQ(check.kind, PeriodOther);
        EXPECT_EQ(std::tie(check.startYear, check.startMonth, check.startDay),
                  std::make_tuple(2034, 1, 31));
    }
    // The first checked button gives the kind; the date boxes are not checked then.
    const ReportPeriod kinds[] = {PeriodToday, PeriodWeek, PeriodMonth, PeriodYear, PeriodTotal};
    for (std::size_t button = 0; button < 5; ++button) {
        ReportItemForm form = OtherForm();
        form.checked = {};
        form.checked[button] = true;
        form.checked[5] = true;
        form.startMonth = -1;
        form.startDay = "45";
        const ReportItemCheck check = CheckReportItemForm(form);
        EXPECT_TRUE(check.accepted);
        EXPECT_EQ(check.kind, kinds[button]);
        EXPECT_EQ(check.project, "Web");
    }
}

TEST(ReportItemForm, AddingItemsAndDisablingTakenKinds) {
    coretest::ScopedTimeZone tz("America/New_York");
    CStore store;
    store.AppendTask(std::make_unique<CTask>("Web"));
    CReport report;
    const std::int64_t now = 1774465200; // 2026-03-25 15:00 EDT

    // 01/31/2005 to 01/31/2005 covers that whole day.
    ReportItemForm form = OtherForm();
    form.startDay = "31";
    ReportItemCheck check = CheckReportItemForm(form);
    ASSERT_TRUE(check.accepted);
    const CReportItem* other = AddCheckedItem(report, check, now, 0, store);
    ASSERT_NE(other, nullptr);
    EXPECT_EQ(FormatReportDateTime(other->GetStart()), "01/31/05 00:00:00");
    EXPECT_EQ(FormatReportDateTime(other->GetEnd()), "01/31/05 23:59:59");

    form.checked = {};
    form.checked[0] = true;
    check = CheckReportItemForm(form);
    const CReportItem* today = AddCheckedItem(report, check, now, 0, store);
    ASSERT_NE(today, nullptr);
    EXPECT_EQ(FormatReportDateTime(today->GetStart()), "03/25/26 00:00:00");
    EXPECT_EQ(today->GetEnd(), now);
    EXPECT_EQ(report.Items().front().get(), today);

    // Today is taken for Web only; Other stays available however many there are.
    EXPECT_EQ(EnabledPeriodButtons(report, "Web"),
              (std::array<bool, kReportPeriodCount>{false, true, true, true, true, true}));
    EXPECT_EQ(EnabledPeriodButtons(report, "Admin"),
              (std::array<bool, kReportPeriodCount>{true, true, true, true, true, true}));

    ReportItemCheck refused;
    EXPECT_EQ(AddCheckedItem(report, refused, now, 0, store), nullptr);
    EXPECT_EQ(report.GetItemCount(), 2u);
}

} // namespace

namespace {

TEST(ReportOptionsForm, ChecksOfTheOptionsAndTitlePageDialogs) {
    const auto noTitle = CheckReportOptionsForm("", TopLineOnly);
    ASSERT_TRUE(noTitle);
    EXPECT_EQ(noTitle->caption, "No Title Specified");
    EXPECT_EQ(noTitle->text, "Please enter a title for this report");
    const auto noMethod = CheckReportOptionsForm("  ", std::nullopt); // spaces are a title
    ASSERT_TRUE(noMethod);
    EXPECT_EQ(noMethod->caption, "No Method Selected");
    EXPECT_EQ(noMethod->text, "Please select a method for dealing with multiline notes");
    EXPECT_FALSE(CheckReportOptionsForm(" ", OmitNotes));

    const struct {
        const char* text;
        std::optional<std::uint16_t> value;
        const char* message;
    } cases[] = {{"5", 5, nullptr},
                 {" 50 ", 50, nullptr},
                 {"4", std::nullopt, "Please enter an integer between 5 and 50."},
                 {"51", std::nullopt, "Please enter an integer between 5 and 50."},
                 {"-10", std::nullopt, "Please enter an integer between 5 and 50."},
                 {"", std::nullopt, "Please enter an integer."},
                 {"1x", std::nullopt, "Please enter an integer."},
                 {"99999999999", std::nullopt, "Please enter an integer."}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        const PageLinesCheck check = CheckPageLinesText(c.text);
        EXPECT_EQ(check.value, c.value);
        EXPECT_EQ(check.message ? check.message->text : std::string(), c.message ? c.message : "");
    }
}

} // namespace
