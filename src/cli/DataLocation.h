#pragma once

#include <optional>
#include <string>

struct CommandContext;
struct ParsedArguments;

// Where the desktop program keeps its data files, so that FILE can default to the user's
// main data file: $XDG_DATA_HOME/Quillmoor/Punchwell (default ~/.local/share) on Linux,
// %APPDATA%\Quillmoor\Punchwell on Windows. Empty when the environment names no home.
std::optional<std::string> DefaultDataDirectory();

// An environment variable in UTF-8; empty when unset or empty.
std::optional<std::string> EnvironmentVariable(const char* name);

// The data file a command works on: its FILE operand, else the main data file in the
// --data-dir folder (given to the command or to the tool), else in the default folder.
// False (with the reason written to the error stream) when none can be found.
bool ResolveDataFile(const ParsedArguments& arguments, const CommandContext& context,
                     std::string& path);
