#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataFileInput.h"
#include "cli/DataLocation.h"

#include "core/data/TextExport.h"

#include <memory>
#include <ostream>

namespace {

// The desktop program's Export Data as Text, from the command line.
class CExportCommand final : public CCommand {
public:
    const char* Name() const override { return "export"; }
    const char* Summary() const override { return "write a data file's periods as text"; }
    const char* Operands() const override { return "[FILE]"; }
    std::string Description() const override {
        return "Writes the file that Export Data as Text writes for FILE (default: your main\n"
               "data file): one line per period, \"project,MM/DD/YY HH:MM:SS,MM/DD/YY "
               "HH:MM:SS\"\n"
               "in local time, CR LF line ends, UTF-8; projects in the file's order, each\n"
               "with its periods (deleted and running ones included). A comma in a project\n"
               "name is written as it is: the two times follow the last two commas.\n"
               "Writes to stdout unless -o names a file. A damaged FILE writes\n"
               "nothing and exits with 1; 2 means bad usage or a file error.\n";
    }
    void AddOptions(CArgumentParser& parser) const override {
        parser.AddOption("--output", 'o', "OUT", "the text file to write (replaced if it exists)");
        parser.SetOperandCount(0, 1);
    }

    int Run(const ParsedArguments& arguments, CommandContext& context) override {
        std::string path;
        if (!ResolveDataFile(arguments, context, path))
            return kExitUsage;
        CDataFileInput input;
        const int status = input.Read(path, context);
        if (status == kExitUsage)
            return status;
        // An export of part of the data would pass for all of it.
        if (status == kExitDamaged) {
            context.Error("nothing exported");
            return status;
        }
        if (const auto output = arguments.Value("--output")) {
            const FileResult written = WriteTextExport(input.Store(), *output);
            if (!written.ok) {
                context.Error(written.message);
                return kExitUsage;
            }
            return kExitOk;
        }
        const CTextExport text(input.Store());
        context.out.write(text.Bytes().data(), static_cast<std::streamsize>(text.Bytes().size()));
        return kExitOk;
    }
};

} // namespace

std::unique_ptr<CCommand> MakeExportCommand() {
    return std::make_unique<CExportCommand>();
}
