#include "cli/DataLocation.h"

#include "cli/ArgumentParser.h"
#include "cli/Command.h"

#include "core/app/PunchwellApp.h"
#include "core/platform/FileSystem.h"

#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

std::optional<std::string> EnvironmentVariable(const char* name) {
#ifdef _WIN32
    // The wide form, so that a folder name outside the ANSI code page survives.
    std::wstring wideName(name, name + std::char_traits<char>::length(name));
    const wchar_t* value = _wgetenv(wideName.c_str());
    if (!value || !*value)
        return std::nullopt;
    const int size = WideCharToMultiByte(CP_UTF8, 0, value, -1, nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
    WideCharToMultiByte(CP_UTF8, 0, value, -1, utf8.data(), size, nullptr, nullptr);
    return utf8;
#else
    const char* value = std::getenv(name);
    if (!value || !*value)
        return std::nullopt;
    return std::string(value);
#endif
}

std::optional<std::string> DefaultDataDirectory() {
#ifdef _WIN32
    const auto base = EnvironmentVariable("APPDATA");
    if (!base)
        return std::nullopt;
#else
    // A relative XDG_DATA_HOME is invalid and ignored, as the desktop program does.
    auto base = EnvironmentVariable("XDG_DATA_HOME");
    if (!base || (*base)[0] != '/') {
        const auto home = EnvironmentVariable("HOME");
        if (!home)
            return std::nullopt;
        base = JoinPath(JoinPath(*home, ".local"), "share");
    }
#endif
    return JoinPath(JoinPath(*base, "Quillmoor"), "Punchwell");
}

bool ResolveDataFile(const ParsedArguments& arguments, const CommandContext& context,
                     std::string& path) {
    if (!arguments.operands.empty()) {
        path = arguments.operands.front();
        return true;
    }
    std::optional<std::string> directory = arguments.Value("--data-dir");
    if (!directory)
        directory = context.dataDirectory;
    if (!directory)
        directory = DefaultDataDirectory();
    if (!directory) {
        context.Error("cannot tell where your data folder is (no HOME); give FILE or "
                      "--data-dir DIR");
        return false;
    }
    path = JoinPath(*directory, CPunchwellApp::kMainFileName);
    return true;
}
