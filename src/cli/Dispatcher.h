#pragma once

#include "cli/Command.h"
#include "cli/CommandTable.h"

#include <string>
#include <vector>

// Reads the tool's own options, picks the command and runs it with its parsed arguments.
// Every usage error is one message on stderr and exit code 2.
class CDispatcher {
public:
    explicit CDispatcher(CommandContext& context) : m_context(context) {}

    // `arguments` excludes the program name.
    int Run(const std::vector<std::string>& arguments);

private:
    int RunCommand(CCommand& command, const std::vector<std::string>& arguments);
    std::string ToolHelp() const;
    std::string CommandHelp(const CCommand& command, const CArgumentParser& parser) const;
    void AddCommonOptions(CArgumentParser& parser) const;

    CommandContext& m_context;
    CCommandTable m_table;
};
