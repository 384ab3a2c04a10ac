#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/DataLocation.h"

#include <memory>
#include <ostream>

namespace {

// Tells whether a data file reads completely; scripts use the exit code.
class CCheckCommand final : public CCommand {
public:
    const char* Name() const override { return "check"; }
    const char* Summary() const override { return "tell whether a data file reads completely"; }
    const char* Operands() const override { return "[FILE]"; }
    std::string Description() const override {
        return "Reads FILE (default: your main data file) and tells whether it reads\n"
               "completely. Exit code 0: it does; 1: it is damaged (a line on stderr gives\n"
               "the projects and periods read before the damage and the byte offset where\n"
               "it starts); 2: bad usage, or the file is missing or cannot be read.\n";
    }
    void AddOptions(CArgumentParser& parser) const override { parser.SetOperandCount(0, 1); }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        std::string path;
        if (!ResolveDataFile(arguments, context, path))
            return kExitUsage;
        CDataFileInput input;
        const int status = input.Read(path, context);
        if (status == kExitOk) {
            const DataFileReadResult& result = input.Result();
            context.out << path << ": reads completely; "
                        << CountOf(result.projectsRead, "project", "projects") << ", "
                        << CountOf(result.periodsRead, "period", "periods") << "\n";
        }
        return status;
    }
};

} // namespace

std::unique_ptr<CCommand> MakeCheckCommand() {
    return std::make_unique<CCheckCommand>();
}
