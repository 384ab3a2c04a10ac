#include "cli/ArgumentParser.h"
#include "cli/ControlCommand.h"

#include <memory>

namespace {

// Edit Period of the Time Records dialog: the period that starts at --start, changed.
class CEditCommand final : public CControlCommand {
public:
    const char* Name() const override { return "edit"; }
    const char* Summary() const override { return "change a period's times, project or notes"; }
    const char* Operands() const override { return ""; }
    std::string Description() const override {
        return "Changes the period that starts at --start (local time, seconds optional): its\n"
               "start (--new-start), its end (--new-end), its project (--project) or its\n"
               "notes (--notes); what is not given stays. The rules are those of add; a\n"
               "running period may only have its start moved, and never into the future.\n" +
               CorrectionHelp();
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--start", "YYYY-MM-DDTHH:MM[:SS]", "the start of the period to change");
        parser.AddOption("--new-start", "YYYY-MM-DDTHH:MM[:SS]", "its new start");
        parser.AddOption("--new-end", "YYYY-MM-DDTHH:MM[:SS]", "its new end");
        parser.AddOption("--project", "PROJECT", "its new project");
        AddCorrectionOptions(parser);
        parser.SetOperandCount(0, 0);
    }
};

} // namespace

std::unique_ptr<CCommand> MakeEditCommand() {
    return std::make_unique<CEditCommand>();
}
