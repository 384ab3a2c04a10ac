#include "cli/ControlCommand.h"

#include <memory>

namespace {

class CSwitchCommand final : public CControlCommand {
public:
    const char* Name() const override { return "switch"; }
    const char* Summary() const override { return "check out and in to another project"; }
    const char* Operands() const override { return "PROJECT"; }
    std::string Description() const override {
        return "Ends the running period (with --notes TEXT as its notes, else asking as\n"
               "out does) and checks in to PROJECT. Refused (exit status 2) when you are\n"
               "not checked in; use in then.\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeSwitchCommand() {
    return std::make_unique<CSwitchCommand>();
}
