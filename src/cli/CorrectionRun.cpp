#include "cli/CorrectionRun.h"

#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataLocation.h"
#include "cli/TimeArgument.h"
#include "cli/WriteLock.h"

#include "core/data/DataFile.h"
#include "core/platform/Clock.h"
#include "core/platform/FileSystem.h"
#include "core/platform/LocalTime.h"

#include <ostream>

CCorrectionRun::CCorrectionRun() = default;

void AddCorrectionOptions(CArgumentParser& parser) {
    parser.AddOption("--notes", "TEXT", "the period's notes");
    parser.AddFlag("--join", '\0',
                   "join the period with an overlapping period of its project, as Merge Files "
                   "joins them (refused otherwise)");
    parser.AddOption("--now", "YYYY-MM-DDTHH:MM:SS",
                     "the moment taken as now, in local time (default: now)");
}

std::optional<std::int32_t> CCorrectionRun::Time(const ParsedArguments& arguments, const char* name,
                                                 const CommandContext& context) const {
    const auto text = arguments.Value(name);
    if (!text)
        return std::nullopt;
    // Seconds may be left out.
    const std::string full = text->size() == 16 ? *text + ":00" : *text;
    std::string problem;
    const auto parsed = ParseLocalTimeArgument(full, &problem);
    if (!parsed) {
        context.Error(std::string(name) + ": " +
                      (problem.empty()
                           ? "\"" + *text +
                                 "\" is not a local time of the form "
                                 "YYYY-MM-DDTHH:MM[:SS]"
                           : problem + " Give a time outside the change of the clocks."));
        return std::nullopt;
    }
    return static_cast<std::int32_t>(*parsed);
}

int CCorrectionRun::Open(const ParsedArguments& arguments, CommandContext& context) {
    m_now = SystemClock().Now();
    if (const auto text = arguments.Value("--now")) {
        std::string problem;
        const auto parsed = ParseLocalTimeArgument(*text, &problem);
        if (!parsed) {
            context.Error(DescribeBadLocalTime(*text, problem));
            return kExitUsage;
        }
        m_now = static_cast<std::int32_t>(*parsed);
    }
    std::optional<std::string> directory = arguments.Value("--data-dir");
    if (!directory)
        directory = context.dataDirectory;
    if (!directory)
        directory = DefaultDataDirectory();
    if (!directory) {
        context.Error("cannot tell where your data folder is (no HOME); give --data-dir DIR");
        return kExitUsage;
    }
    m_path = JoinPath(*directory, CPunchwellApp::kMainFileName);
    if (const int status = LockForWriting(m_path, arguments, context, m_lock))
        return status;

    m_app = std::make_unique<CPunchwellApp>(*directory);
    const LoadOutcome loaded = m_app->LoadData();
    if (!loaded.existed) {
        context.Error(m_path + ": no data file; nothing changed");
        return kExitUsage;
    }
    if (loaded.unreadable) {
        context.Error(loaded.errorMessage + "; nothing changed");
        return kExitUsage;
    }
    if (loaded.read.damaged) {
        // Saving what was read would drop everything after the damage.
        context.Error(m_path + ": damaged at byte " + std::to_string(loaded.read.damageOffset) +
                      "; nothing changed");
        return kExitDamaged;
    }
    if (m_app->m_wLocked != 0) {
        context.Error(m_path +
                      ": Punchwell was locked when it saved this file; start it and unlock it "
                      "first. Nothing changed.");
        return kExitBusy;
    }
    m_editor = std::make_unique<CPeriodEditor>(*m_app);
    return kExitOk;
}

int CCorrectionRun::Finish(const CorrectionPlan& plan, const char* done, CommandContext& context) {
    for (const std::string& note : plan.notes)
        context.err << context.programName << ": note: " << note << "\n";
    for (const std::string& warning : plan.warnings)
        context.err << context.programName << ": warning: " << warning << "\n";
    if (!plan.Ok()) {
        std::string why = plan.refusal;
        if (plan.problem == CorrectionPlan::Problem::SameProjectOverlap && plan.joinable)
            why += " Give --join to make them one period.";
        context.Error(why + " Nothing changed.");
        return kExitUsage;
    }
    if (plan.correction.IsEmpty()) {
        context.out << "nothing to change\n";
        return kExitOk;
    }
    if (!m_editor->Apply(plan)) {
        context.Error("the correction no longer fits the data. Nothing changed.");
        return kExitUsage;
    }
    const FileResult written = ReplaceFileDurably(
        m_path, CDataFile::Write(*m_app, m_app->m_strPassword, m_app->m_wLocked));
    if (!written.ok) {
        context.Error(written.message + " Nothing changed.");
        return kExitUsage;
    }
    for (const CPeriodCorrection::Change& change : plan.correction.Changes()) {
        if (!change.after)
            continue;
        const CDoneTask& p = *change.after;
        context.out << done << ": " << p.GetProject() << ", "
                    << DescribePeriodTimes(p.GetStart(), p.GetEnd()) << "\n";
        done = "and";
    }
    return kExitOk;
}
