#include "cli/ControlCommand.h"

#include <memory>

namespace {

class CProjectsCommand final : public CControlCommand {
public:
    const char* Name() const override { return "projects"; }
    const char* Summary() const override {
        return "list the projects with their rates and today's time";
    }
    const char* Operands() const override { return ""; }
    std::string Description() const override {
        return "Lists the projects by name with their hourly rates and their time today;\n"
               "a * marks the one you are checked in to. With --json: an array of\n"
               "objects with name, rate (\"12.50\"), today_seconds and checked_in.\n"
               "Refused while Punchwell is locked.\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeProjectsCommand() {
    return std::make_unique<CProjectsCommand>();
}
