#include "core/reports/ReportItemForm.h"

#include "core/reports/Report.h"
#include "core/reports/ReportWriter.h"
#include "core/timing/PeriodRange.h"

#include <algorithm>
#include <limits>
#include <tuple>

namespace {

// The unsigned decimal number in a box; empty when the text is not one (an empty box,
// other characters, or a number too large to hold).
std::optional<unsigned> ReadUnsigned(const std::string& text) {
    if (text.empty())
        return std::nullopt;
    std::uint64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            return std::nullopt;
        value = value * 10 + static_cast<unsigned>(c - '0');
        if (value > std::numeric_limits<unsigned>::max())
            return std::nullopt;
    }
    return static_cast<unsigned>(value);
}

// February always has 28 days here: the dialog refuses February 29.
int MonthLength(int monthIndex) {
    static constexpr int kLengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return kLengths[monthIndex];
}

} // namespace

ReportItemCheck CheckReportItemForm(const ReportItemForm& form) {
    ReportItemCheck check;
    auto refuse = [&check](std::string caption, std::string text, ReportItemField focus) {
        check.messages.push_back({std::move(caption), std::move(text), focus});
        return check;
    };

    // The four boxes are read first, in this order. A box that is empty draws the general
    // message and the checks go on to its own message below; a box holding anything else
    // than a number stops here, so the dialog never closes on a number nobody entered.
    struct Box {
        const std::string& text;
        ReportItemField field;
        unsigned value;
    };
    Box boxes[4] = {{form.startDay, ReportItemField::StartDay, 0},
                    {form.startYear, ReportItemField::StartYear, 0},
                    {form.endDay, ReportItemField::EndDay, 0},
                    {form.endYear, ReportItemField::EndYear, 0}};
    for (Box& box : boxes) {
        const std::optional<unsigned> value = ReadUnsigned(box.text);
        if (value) {
            box.value = *value;
            continue;
        }
        check.messages.push_back({"Punchwell", "Please enter a positive integer.", box.field});
        if (!box.text.empty())
            return check;
        break;
    }

    if (!form.project)
        return refuse("No Project Selected",
                      "Please select the project you would like to report on",
                      ReportItemField::Project);
    check.project = *form.project;

    const auto first = std::find(form.checked.begin(), form.checked.end(), true);
    if (first == form.checked.end())
        return refuse("No Time Period Selected",
                      "Please select the time period you would like to report on",
                      ReportItemField::PeriodButtons);
    check.kind = kReportItemButtonKinds[static_cast<std::size_t>(first - form.checked.begin())];

    if (check.kind != PeriodOther) {
        check.accepted = true;
        return check;
    }

    const bool startMonthValid = form.startMonth >= 0 && form.startMonth < 12;
    const bool endMonthValid = form.endMonth >= 0 && form.endMonth < 12;
    if (!startMonthValid)
        return refuse("No Starting Month Selected", "Please select a starting month",
                      ReportItemField::StartMonth);
    if (!endMonthValid)
        return refuse("No Ending Month Selected", "Please select an ending month",
                      ReportItemField::EndMonth);
    if (form.startDay.empty())
        return refuse("No Starting Day Entered", "Please enter a starting day",
                      ReportItemField::StartDay);
    if (form.endDay.empty())
        return refuse("No Ending Day Entered", "Please enter an ending day",
                      ReportItemField::EndDay);
    if (form.startYear.empty())
        return refuse("No Starting Year Entered", "Please enter a starting year",
                      ReportItemField::StartYear);
    if (form.endYear.empty())
        return refuse("No Ending Year Entered", "Please enter an ending year",
                      ReportItemField::EndYear);

    const unsigned startDay = boxes[0].value;
    const unsigned startYear = boxes[1].value;
    const unsigned endDay = boxes[2].value;
    const unsigned endYear = boxes[3].value;
    const int startLength = MonthLength(form.startMonth);
    const int endLength = MonthLength(form.endMonth);
    if (startDay < 1 || startDay > static_cast<unsigned>(startLength))
        return refuse("Invalid Day Entered",
                      "Please enter a number between 1 and " + std::to_string(startLength),
                      ReportItemField::StartDay);
    if (endDay < 1 || endDay > static_cast<unsigned>(endLength))
        return refuse("Invalid Day Entered",
                      "Please enter a number between 1 and " + std::to_string(endLength),
                      ReportItemField::EndDay);
    if (startYear < 1980 || startYear > 2034)
        return refuse("Bad Starting Year", "Please enter a starting year between 1980 and 2034",
                      ReportItemField::StartYear);
    if (endYear < 1980 || endYear > 2034)
        return refuse("Bad Ending Year", "Please enter an ending year between 1980 and 2034",
                      ReportItemField::EndYear);

    check.startYear = static_cast<int>(startYear);
    check.startMonth = form.startMonth + 1;
    check.startDay = static_cast<int>(startDay);
    check.endYear = static_cast<int>(endYear);
    check.endMonth = form.endMonth + 1;
    check.endDay = static_cast<int>(endDay);
    if (std::tie(check.startYear, check.startMonth, check.startDay) >
        std::tie(check.endYear, check.endMonth, check.endDay))
        return refuse("Start Date After End Date",
                      "The starting date your have entered is after the ending date.",
                      ReportItemField::StartDay);
    check.accepted = true;
    return check;
}

std::array<bool, kReportPeriodCount> EnabledPeriodButtons(const CReport& report,
                                                          const std::string& project) {
    const auto taken = report.KindsTaken(project);
    std::array<bool, kReportPeriodCount> enabled{};
    for (std::size_t i = 0; i < kReportItemButtonKinds.size(); ++i)
        enabled[i] = !taken[kReportItemButtonKinds[i]];
    return enabled;
}

CReportItem* AddCheckedItem(CReport& report, const ReportItemCheck& check, std::int64_t now,
                            unsigned weekStart, const CStore& store) {
    if (!check.accepted)
        return nullptr;
    if (check.kind == PeriodOther) {
        const auto start = LocalDayStart(check.startYear, check.startMonth, check.startDay);
        const auto end = LocalDayEnd(check.endYear, check.endMonth, check.endDay);
        if (!start || !end)
            return nullptr;
        return report.AddItem(check.project, static_cast<std::int32_t>(*start),
                              static_cast<std::int32_t>(*end), PeriodOther);
    }
    CReportItem* item = report.AddItem(check.project, 0, 0, check.kind);
    const ReportRange range = ComputeItemRange(*item, now, weekStart, store);
    item->SetRange(range.start, range.end);
    return item;
}
