#include "cli/ControlCommand.h"

#include <memory>

namespace {

class COutCommand final : public CControlCommand {
public:
    const char* Name() const override { return "out"; }
    const char* Summary() const override { return "check out"; }
    const char* Operands() const override { return ""; }
    std::string Description() const override {
        return "Checks out: the running period ends now and the data file is saved.\n"
               "With --notes TEXT the period keeps TEXT as its notes and the Notes dialog\n"
               "is not shown. Without it the running Punchwell asks for the notes as its\n"
               "Check Out button does (when its options say so), and this command waits\n"
               "for the answer; without a running program the period gets no notes.\n"
               "Checked out already: nothing to do, exit status 0.\n"
               "\n"
               "Example: punchwell-cli out --notes \"Fixed the login page\"\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeOutCommand() {
    return std::make_unique<COutCommand>();
}
