#include "cli/ControlCommand.h"

#include <memory>

namespace {

class CInCommand final : public CControlCommand {
public:
    const char* Name() const override { return "in"; }
    const char* Summary() const override { return "check in to a project"; }
    const char* Operands() const override { return "PROJECT"; }
    std::string Description() const override {
        return "Checks in to PROJECT, as the Check In button does: a period starts now\n"
               "and the data file is saved. When you are checked in to another project\n"
               "you are checked out of it first (the running Punchwell asks for its\n"
               "notes as usual). PROJECT is the name exactly, or differing only in the\n"
               "case of Latin letters when that picks one project; quote a name with\n"
               "spaces: punchwell-cli in \"Client work\".\n"
               "\n"
               "When Punchwell runs on the data folder, it does the check-in and its\n"
               "window and tray follow at once. Otherwise the data file is changed\n"
               "directly, holding the folder lock so that no program starts meanwhile.\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeInCommand() {
    return std::make_unique<CInCommand>();
}
