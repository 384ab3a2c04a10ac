#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/CorrectionRun.h"

#include "core/data/DoneTask.h"

#include <memory>

namespace {

// Edit Period of the Time Records dialog: the period that starts at --start, changed.
class CEditCommand final : public CCommand {
public:
    const char* Name() const override { return "edit"; }
    const char* Summary() const override { return "change a period's times, project or notes"; }
    std::string Description() const override {
        return "Changes the period that starts at --start (local time, seconds optional) in\n"
               "the main data file of the data folder: its start (--new-start), its end\n"
               "(--new-end), its project (--project) or its notes (--notes); what is not\n"
               "given stays. The rules are those of add; a running period may only have its\n"
               "start moved, and never into the future. Refused while Punchwell runs on the\n"
               "folder or was locked when it saved. A refusal exits non-zero and changes\n"
               "nothing: 1 a damaged file, 2 bad usage or a refused change, 3 the folder is\n"
               "held.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--start", "YYYY-MM-DDTHH:MM[:SS]", "the start of the period to change");
        parser.AddOption("--new-start", "YYYY-MM-DDTHH:MM[:SS]", "its new start");
        parser.AddOption("--new-end", "YYYY-MM-DDTHH:MM[:SS]", "its new end");
        parser.AddOption("--project", "PROJECT", "its new project");
        AddCorrectionOptions(parser);
        parser.SetOperandCount(0, 0);
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        if (!arguments.Has("--start")) {
            context.Error("edit: --start is required (the start of the period to change)");
            return kExitUsage;
        }
        CCorrectionRun run;
        const auto start = run.Time(arguments, "--start", context);
        if (!start)
            return kExitUsage;
        std::optional<std::int32_t> newStart;
        std::optional<std::int32_t> newEnd;
        if (arguments.Has("--new-start") &&
            !(newStart = run.Time(arguments, "--new-start", context)))
            return kExitUsage;
        if (arguments.Has("--new-end") && !(newEnd = run.Time(arguments, "--new-end", context)))
            return kExitUsage;
        if (const int status = run.Open(arguments, context))
            return status;

        const CDoneTask* period = run.App().FindDoneTask(*start);
        if (period == nullptr) {
            context.Error("no period starts at " + *arguments.Value("--start") +
                          ". Nothing changed.");
            return kExitUsage;
        }
        PeriodDraft draft;
        draft.project = arguments.Value("--project").value_or(period->GetProject());
        draft.start = newStart.value_or(period->GetStart());
        draft.end = newEnd.value_or(period->GetEnd());
        draft.notes = arguments.Value("--notes").value_or(period->GetNotes());
        const OverlapRule rule = arguments.Has("--join") ? OverlapRule::Join : OverlapRule::Refuse;
        return run.Finish(run.Editor().PlanEdit(*period, draft, run.Now(), rule), "changed",
                          context);
    }
};

} // namespace

std::unique_ptr<CCommand> MakeEditCommand() {
    return std::make_unique<CEditCommand>();
}
