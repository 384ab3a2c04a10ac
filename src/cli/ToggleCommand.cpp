#include "cli/ControlCommand.h"

#include <memory>

namespace {

class CToggleCommand final : public CControlCommand {
public:
    const char* Name() const override { return "toggle"; }
    const char* Summary() const override {
        return "check out, or check in to the last project used";
    }
    const char* Operands() const override { return ""; }
    std::string Description() const override {
        return "Checks out when you are checked in (as out without --notes), else checks\n"
               "in to the project of the latest period. Bind it to a keyboard shortcut\n"
               "of your desktop to start and stop timing from anywhere.\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeToggleCommand() {
    return std::make_unique<CToggleCommand>();
}
