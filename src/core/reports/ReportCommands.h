#pragma once

#include "core/app/Prompts.h"
#include "core/reports/ReportItem.h"

#include <cstdint>
#include <string>

class CReport;
class CStore;
class Clock;
class FileOps;
class ReportPort;

// What generating a report needs besides the person: the data, the clock, the options.
struct ReportEnvironment {
    const CStore& store;
    const Clock& clock;
    unsigned weekStart = 0;
    std::uint16_t pageLines = 15; // the current option; the options dialog starts from it
    FileOps* fileOps = nullptr;   // null: the real file system
};

// The standard reports' items, built the same way for the desktop and the command line.
// All projects: one item per project, walking the project list from its head; each goes to
// the head of the report, so the sections come in the reverse order of the list.
void AddAllProjectsItems(CReport& report, const CStore& store, ReportPeriod kind, std::int64_t now,
                         unsigned weekStart);
// The same items with their ranges left unset, for a report written at once: the writer
// works out every item's range itself, so the periods are not walked for them twice.
void AddAllProjectsItemsUnranged(CReport& report, const CStore& store, ReportPeriod kind);
// One project: false (and nothing added) when the store has no project of that name.
bool AddSingleProjectItem(CReport& report, const CStore& store, const std::string& project,
                          ReportPeriod kind, std::int64_t now, unsigned weekStart);
// The Reports dialog's "Report Type" buttons (Today, Month, Week, Year, Total = 0..4) map
// onto the report kinds by adding one. Out of range gives PeriodToday.
ReportPeriod ReportPeriodFromTypeIndex(int typeIndex);

// Where a report command came from; each shows its own messages after Generate.
enum class ReportCommand {
    Standard,                // the Reports menus and the Reports dialog: Success, What Next?
    CustomReport,            // Reports > Custom Report... (F2): Success, What Next?
    CustomFromContextMenu,   // Success, or Generation Failure; no What Next?
    CustomFromReportsDialog, // Success only; no What Next?
};
// Asks the options, writes the report and asks where to keep it, through `port`. Returns true
// when the file was written; the person was told of every other outcome except a cancelled
// options dialog.
bool GenerateReport(CReport& report, ReportPort& port, const ReportEnvironment& environment);
// Generates the report and shows what the command shows afterwards. Returns whether a file
// was written.
bool RunReportCommand(CReport& report, ReportPort& port, const ReportEnvironment& environment,
                      ReportCommand command);
// What Next? after a written report: view or print it through the desktop, or nothing.
void ShowWhatNext(const CReport& report, ReportPort& port);

// The file dialogs of the reports, in the desktop's filter form.
FileDialogRequest ReportSaveRequest(const std::string& title); // Save As of Generate
FileDialogRequest SavedReportRequest();                        // View/Print Saved Report
FileDialogRequest CustomReportFileRequest(bool save);          // Save/Load Report
