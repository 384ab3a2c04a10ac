#pragma once

#include <iosfwd>
#include <optional>
#include <string>

class CArgumentParser;
struct ParsedArguments;

// Exit codes shared by every command.
enum ExitCode : int {
    kExitOk = 0,
    kExitDamaged = 1, // the data file is damaged (what was read is still reported)
    kExitUsage = 2,   // bad command line, or a file that cannot be read at all
    kExitBusy = 3,    // the data folder is held by the running program; nothing written
};

// What a command runs with: where its output goes and the tool's own options.
struct CommandContext {
    CommandContext(std::ostream& output, std::ostream& errors) : out(output), err(errors) {}

    std::ostream& out;
    std::ostream& err;
    std::string programName = "punchwell-cli";
    std::optional<std::string> dataDirectory; // --data-dir given before the command

    // Writes "punchwell-cli: <message>" as one line on the error stream.
    void Error(const std::string& message) const;
};

// One command of the tool. Adding a command means one file with a class like this and a
// factory, and one line in CommandList.h.
class CCommand {
public:
    virtual ~CCommand() = default;

    virtual const char* Name() const = 0;
    // One line for the tool's command list.
    virtual const char* Summary() const = 0;
    // Operands as shown in the usage line, for example "[FILE]".
    virtual const char* Operands() const { return ""; }
    // The paragraph shown by "COMMAND --help" under the usage line.
    virtual std::string Description() const = 0;
    // Declares the command's own options and operand count; --help and --data-dir are
    // there already.
    virtual void AddOptions(CArgumentParser& parser) const = 0;
    virtual int Run(const ParsedArguments& arguments, CommandContext& context) = 0;
};
