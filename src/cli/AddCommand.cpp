#include "cli/ArgumentParser.h"
#include "cli/ControlCommand.h"

#include <memory>

namespace {

// Add Period of the Time Records dialog: a period that was never timed.
class CAddCommand final : public CControlCommand {
public:
    const char* Name() const override { return "add"; }
    const char* Summary() const override { return "add a period that was never timed"; }
    const char* Operands() const override { return "PROJECT"; }
    std::string Description() const override {
        return "Adds a period of PROJECT from --start to --end (local time, seconds optional)\n"
               "under the rules the Time Records dialog keeps: the end after the start and\n"
               "not in the future; a start second another period has moves to the next free\n"
               "one; a period overlapping one of the same project is refused unless --join\n"
               "makes them one; overlaps with other projects are allowed with a warning.\n" +
               CorrectionHelp();
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--start", "YYYY-MM-DDTHH:MM[:SS]", "when the period starts");
        parser.AddOption("--end", "YYYY-MM-DDTHH:MM[:SS]", "when the period ends");
        AddCorrectionOptions(parser);
        parser.SetOperandCount(1, 1);
    }
};

} // namespace

std::unique_ptr<CCommand> MakeAddCommand() {
    return std::make_unique<CAddCommand>();
}
