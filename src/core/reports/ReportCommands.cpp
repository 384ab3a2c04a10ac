#include "core/reports/ReportCommands.h"

#include "core/data/Store.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/reports/Report.h"
#include "core/reports/ReportPort.h"
#include "core/reports/ReportWriter.h"

namespace {

constexpr const char* kHtmlFilter = "HTML Files (*.htm *.html);;All Files (*)";

void AddItemAt(CReport& report, const CStore& store, const std::string& project, ReportPeriod kind,
               std::int64_t now, unsigned weekStart) {
    CReportItem* item = report.AddItem(project, 0, 0, kind);
    const ReportRange range = ComputeItemRange(*item, now, weekStart, store);
    item->SetRange(range.start, range.end);
}

} // namespace

void AddAllProjectsItems(CReport& report, const CStore& store, ReportPeriod kind, std::int64_t now,
                         unsigned weekStart) {
    // Ranges as every report computes them, all at once: one walk over the periods.
    CReport added;
    AddAllProjectsItemsUnranged(added, store, kind);
    UpdateReportRanges(added, now, weekStart, store);
    report.TakeItemsFrom(added);
}

void AddAllProjectsItemsUnranged(CReport& report, const CStore& store, ReportPeriod kind) {
    for (const auto& task : store.Tasks())
        report.AddItem(task->GetName(), 0, 0, kind);
}

bool AddSingleProjectItem(CReport& report, const CStore& store, const std::string& project,
                          ReportPeriod kind, std::int64_t now, unsigned weekStart) {
    if (store.FindTask(project) == nullptr)
        return false;
    AddItemAt(report, store, project, kind, now, weekStart);
    return true;
}

ReportPeriod ReportPeriodFromTypeIndex(int typeIndex) {
    if (typeIndex < 0 || typeIndex > 4)
        return PeriodToday;
    return static_cast<ReportPeriod>(typeIndex + 1);
}

bool GenerateReport(CReport& report, ReportPort& port, const ReportEnvironment& environment) {
    const std::optional<ReportOptions> chosen = port.ChooseReportOptions(environment.pageLines);
    if (!chosen)
        return false;
    report.SetReportOptions(*chosen);
    const std::int64_t now = environment.clock.Now();
    UpdateReportRanges(report, now, environment.weekStart, environment.store);
    const std::string bytes =
        RenderReport(report, *chosen, now, environment.weekStart, environment.store);

    const std::optional<std::string> path = port.ChooseReportFile(ReportSaveRequest(chosen->title));
    if (!path || path->empty()) {
        port.ShowMessage("Report Not Written", "The requested report was not written to disk.",
                         MessageIcon::Information, false);
        return false;
    }
    report.SetLastPath(*path);
    const FileResult written =
        environment.fileOps
            ? ReplaceFileDurably(*path, bytes, *environment.fileOps, NewFileMode::ForPeople)
            : ReplaceFileDurably(*path, bytes, SystemFileOps(), NewFileMode::ForPeople);
    if (!written.ok) {
        port.ShowMessage("Punchwell", written.message, MessageIcon::Exclamation, true);
        return false;
    }
    return true;
}

bool RunReportCommand(CReport& report, ReportPort& port, const ReportEnvironment& environment,
                      ReportCommand command) {
    const bool written = GenerateReport(report, port, environment);
    if (written) {
        port.ShowMessage("Success", "The requested report was successfully generated",
                         MessageIcon::Information, true);
        if (command == ReportCommand::Standard || command == ReportCommand::CustomReport)
            ShowWhatNext(report, port);
    } else if (command == ReportCommand::CustomFromContextMenu) {
        port.ShowMessage("Generation Failure",
                         "There was a problem generating the requested report",
                         MessageIcon::Exclamation, true);
    }
    return written;
}

void ShowWhatNext(const CReport& report, ReportPort& port) {
    const WhatNextChoice choice = port.AskWhatNext();
    if (choice != WhatNextChoice::Cancel)
        port.OpenReport(report.GetLastPath(), choice);
}

FileDialogRequest ReportSaveRequest(const std::string& title) {
    FileDialogRequest request;
    request.caption = "Save As";
    request.filter = kHtmlFilter;
    request.defaultSuffix = "html";
    request.initialName = DefaultReportFileName(title);
    return request;
}

FileDialogRequest SavedReportRequest() {
    FileDialogRequest request;
    request.caption = "Open";
    request.filter = kHtmlFilter;
    request.defaultSuffix = "html";
    request.initialName = "*.html";
    return request;
}

FileDialogRequest CustomReportFileRequest(bool save) {
    FileDialogRequest request;
    request.caption = save ? "Save As" : "Open";
    request.filter = "Punchwell Custom Report Files (*.pnr);;All Files (*)";
    request.defaultSuffix = "pnr";
    request.initialName = CReport::kDefaultFileName;
    return request;
}
