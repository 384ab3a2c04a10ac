#pragma once

#include "core/reports/ReportItem.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CReport;
class CReportItem;
class CStore;

// The controls of the Add Custom Report Item dialog, as OK reads them.
struct ReportItemForm {
    std::optional<std::string> project; // the selected name; empty when none is selected
    // The period buttons in the dialog's order (kReportItemButtonKinds); a disabled
    // button is unchecked.
    std::array<bool, kReportPeriodCount> checked{};
    int startMonth = -1; // 0 = January .. 11; -1 when no month is selected
    int endMonth = -1;
    std::string startDay; // the texts of the four number boxes
    std::string startYear;
    std::string endDay;
    std::string endYear;
};

// The kinds of the period buttons, top to bottom: Today, Week to date, Month to date,
// Year to date, Total, Other Time Period.
constexpr std::array<ReportPeriod, kReportPeriodCount> kReportItemButtonKinds = {
    PeriodToday, PeriodWeek, PeriodMonth, PeriodYear, PeriodTotal, PeriodOther};

// The control a message sends the focus to.
enum class ReportItemField {
    Project,
    PeriodButtons,
    StartMonth,
    EndMonth,
    StartDay,
    EndDay,
    StartYear,
    EndYear,
};

struct ReportItemMessage {
    std::string caption;
    std::string text;
    ReportItemField focus;
};

// What OK does. The dialog shows `messages` in order, each a warning box with an OK
// button, puts the focus on the last one's field and closes only when `accepted`.
struct ReportItemCheck {
    bool accepted = false;
    std::vector<ReportItemMessage> messages;
    std::string project;
    ReportPeriod kind = PeriodToday;
    // For PeriodOther: the dates entered (month 1..12).
    int startYear = 0, startMonth = 0, startDay = 0;
    int endYear = 0, endMonth = 0, endDay = 0;
};

// The checks of OK, in the dialog's order and with its texts.
ReportItemCheck CheckReportItemForm(const ReportItemForm& form);

// Which period buttons to enable when `project` is selected: all but the relative kinds
// the report already has an item for. Indexed like kReportItemButtonKinds.
std::array<bool, kReportPeriodCount> EnabledPeriodButtons(const CReport& report,
                                                          const std::string& project);

// Adds the accepted item at the head of the report: fixed dates from the first day's
// 00:00:00 to the last day's 23:59:59 local time, relative kinds computed at `now` as
// every report computes them. Null when the check was not accepted.
CReportItem* AddCheckedItem(CReport& report, const ReportItemCheck& check, std::int64_t now,
                            unsigned weekStart, const CStore& store);
