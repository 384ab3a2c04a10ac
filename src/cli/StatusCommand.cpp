#include "cli/ControlCommand.h"

#include <memory>

namespace {

class CStatusCommand final : public CControlCommand {
public:
    const char* Name() const override { return "status"; }
    const char* Summary() const override {
        return "show whether you are checked in, to what and for how long";
    }
    const char* Operands() const override { return ""; }
    std::string Description() const override {
        return "Tells whether you are checked in, to which project, since when, for how\n"
               "long, and the time of that project today. With --json it prints one line\n"
               "holding one object, for status bars:\n"
               "  {\"checked_in\": true, \"project\": \"Website\", \"start\":\n"
               "   \"2026-03-02T09:30:00+01:00\", \"elapsed_seconds\": 4980,\n"
               "   \"today_seconds\": 12345, \"locked\": false}\n"
               "start is local time with its UTC offset; project, start and the two\n"
               "times are null while checked out, and while Punchwell is locked (which\n"
               "shows nothing of its data). Asking costs the running program next to\n"
               "nothing: it answers from memory, reading and writing no file. A running\n"
               "program that can see the desktop's idle time adds \"idle_seconds\", the\n"
               "seconds since the last key press or mouse move.\n"
               "\n"
               "When Punchwell runs on the data folder it answers; otherwise the data\n"
               "file is read.\n"
               "\n"
               "Example: punchwell-cli status --json\n"
               "\n" +
               ExitStatusHelp();
    }
};

} // namespace

std::unique_ptr<CCommand> MakeStatusCommand() {
    return std::make_unique<CStatusCommand>();
}
