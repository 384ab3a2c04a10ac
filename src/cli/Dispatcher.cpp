#include "cli/Dispatcher.h"

#include "cli/ArgumentParser.h"

#include <algorithm>
#include <ostream>

void CDispatcher::AddCommonOptions(CArgumentParser& parser) const {
    parser.AddFlag("--help", 'h', "show this help and exit");
    parser.AddOption("--data-dir", "DIR",
                     "the folder of the data files, as for the desktop program");
}

std::string CDispatcher::ToolHelp() const {
    std::string text = "Usage: " + m_context.programName +
                       " [--data-dir DIR] COMMAND [OPTIONS] [ARGS]\n"
                       "\n"
                       "Works on Punchwell data files without the desktop program. FILE\n"
                       "defaults to your main data file (timedata.pnd in the data folder).\n"
                       "\n"
                       "Commands:\n";
    std::size_t width = 0;
    for (const auto& command : m_table.Commands())
        width = std::max(width, std::string(command->Name()).size());
    for (const auto& command : m_table.Commands()) {
        const std::string name = command->Name();
        text += "  " + name + std::string(width - name.size() + 2, ' ') + command->Summary() + "\n";
    }
    text += "\nOptions:\n"
            "  -h, --help          show this help and exit\n"
            "      --version       show the version and exit\n"
            "      --data-dir DIR  the folder of the data files, as for the desktop program\n"
            "\n"
            "Run '" +
            m_context.programName +
            " COMMAND --help' for a command's details.\n"
            "Exit codes: 0 success, 1 damaged data file, 2 usage or file error, 3 the\n"
            "data folder is in use by the running program (nothing was written).\n";
    return text;
}

std::string CDispatcher::CommandHelp(const CCommand& command, const CArgumentParser& parser) const {
    std::string usage = "Usage: " + m_context.programName + " " + command.Name() + " [OPTIONS]";
    if (*command.Operands())
        usage += std::string(" ") + command.Operands();
    return usage + "\n\n" + command.Description() + "\nOptions:\n" + parser.Help();
}

int CDispatcher::Run(const std::vector<std::string>& arguments) {
    CArgumentParser parser;
    AddCommonOptions(parser);
    parser.AddFlag("--version", 0, "show the version and exit");
    parser.SetOperandCount(0, 0);
    parser.StopAtFirstOperand(true);

    ParsedArguments parsed;
    std::vector<std::string> rest;
    std::string error;
    if (!parser.Parse(arguments, parsed, error, &rest)) {
        m_context.Error(error + "\nTry '" + m_context.programName + " --help'.");
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        m_context.out << ToolHelp();
        return kExitOk;
    }
    if (parsed.Has("--version")) {
        m_context.out << m_context.programName << " " << PUNCHWELL_VERSION << "\n";
        return kExitOk;
    }
    if (rest.empty()) {
        m_context.Error("no command given\nTry '" + m_context.programName + " --help'.");
        return kExitUsage;
    }
    if (const auto directory = parsed.Value("--data-dir"))
        m_context.dataDirectory = *directory;

    CCommand* command = m_table.Find(rest.front());
    if (!command) {
        m_context.Error("unknown command '" + rest.front() + "'\nTry '" + m_context.programName +
                        " --help'.");
        return kExitUsage;
    }
    rest.erase(rest.begin());
    return RunCommand(*command, rest);
}

int CDispatcher::RunCommand(CCommand& command, const std::vector<std::string>& arguments) {
    CArgumentParser parser;
    AddCommonOptions(parser);
    command.AddOptions(parser);

    ParsedArguments parsed;
    std::string error;
    if (!parser.Parse(arguments, parsed, error)) {
        m_context.Error(std::string(command.Name()) + ": " + error + "\nTry '" +
                        m_context.programName + " " + command.Name() + " --help'.");
        return kExitUsage;
    }
    if (parsed.Has("--help")) {
        m_context.out << CommandHelp(command, parser);
        return kExitOk;
    }
    return command.Run(parsed, m_context);
}
