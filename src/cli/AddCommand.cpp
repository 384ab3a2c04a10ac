#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/CorrectionRun.h"

#include <memory>

namespace {

// Add Period of the Time Records dialog: a period that was never timed.
class CAddCommand final : public CCommand {
public:
    const char* Name() const override { return "add"; }
    const char* Summary() const override { return "add a period that was never timed"; }
    const char* Operands() const override { return "PROJECT"; }
    std::string Description() const override {
        return "Adds a period of PROJECT from --start to --end (local time, seconds optional)\n"
               "to the main data file of the data folder, under the rules the desktop\n"
               "program keeps: the end after the start and not in the future; a start second\n"
               "another period has moves to the next free one; a period overlapping one of\n"
               "the same project is refused unless --join makes them one; overlaps with other\n"
               "projects are allowed with a warning. Refused while Punchwell runs on the\n"
               "folder or was locked when it saved. A refusal exits non-zero and changes\n"
               "nothing: 1 a damaged file, 2 bad usage or a refused period, 3 the folder is\n"
               "held.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--start", "YYYY-MM-DDTHH:MM[:SS]", "when the period starts");
        parser.AddOption("--end", "YYYY-MM-DDTHH:MM[:SS]", "when the period ends");
        AddCorrectionOptions(parser);
        parser.SetOperandCount(1, 1);
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        if (!arguments.Has("--start") || !arguments.Has("--end")) {
            context.Error("add: --start and --end are required");
            return kExitUsage;
        }
        CCorrectionRun run;
        const auto start = run.Time(arguments, "--start", context);
        const auto end = run.Time(arguments, "--end", context);
        if (!start || !end)
            return kExitUsage;
        if (const int status = run.Open(arguments, context))
            return status;
        PeriodDraft draft;
        draft.project = arguments.operands.front();
        draft.start = *start;
        draft.end = *end;
        draft.notes = arguments.Value("--notes").value_or(std::string());
        const OverlapRule rule = arguments.Has("--join") ? OverlapRule::Join : OverlapRule::Refuse;
        return run.Finish(run.Editor().PlanAdd(draft, run.Now(), rule), "added", context);
    }
};

} // namespace

std::unique_ptr<CCommand> MakeAddCommand() {
    return std::make_unique<CAddCommand>();
}
