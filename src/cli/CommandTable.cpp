#include "cli/CommandTable.h"

#include "cli/CommandList.h"

#define PUNCHWELL_DECLARE_FACTORY(Name) std::unique_ptr<CCommand> Make##Name##Command();
PUNCHWELL_CLI_COMMANDS(PUNCHWELL_DECLARE_FACTORY)
#undef PUNCHWELL_DECLARE_FACTORY

CCommandTable::CCommandTable() {
#define PUNCHWELL_ADD_COMMAND(Name) m_commands.push_back(Make##Name##Command());
    PUNCHWELL_CLI_COMMANDS(PUNCHWELL_ADD_COMMAND)
#undef PUNCHWELL_ADD_COMMAND
}

CCommand* CCommandTable::Find(std::string_view name) const {
    for (const auto& command : m_commands)
        if (name == command->Name())
            return command.get();
    return nullptr;
}
