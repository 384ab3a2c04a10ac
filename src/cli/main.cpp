#include "cli/Dispatcher.h"

#include <cstdio>
#include <iostream>
#include <string>
#include <vector>

#ifdef _WIN32
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#endif

namespace {

int RunTool(const std::vector<std::string>& arguments) {
    CommandContext context{std::cout, std::cerr};
    CDispatcher dispatcher(context);
    int status = dispatcher.Run(arguments);
    std::cout.flush();
    // A full disk or a closed pipe must not pass for success.
    if (!std::cout) {
        context.Error("cannot write the output");
        status = kExitUsage;
    }
    return status;
}

} // namespace

#ifdef _WIN32
// Arguments arrive as UTF-16 and leave as UTF-8; output is written byte for byte.
int wmain(int argc, wchar_t** argv) {
    _setmode(_fileno(stdout), _O_BINARY);
    _setmode(_fileno(stderr), _O_BINARY);
    std::vector<std::string> arguments;
    for (int i = 1; i < argc; ++i) {
        const int size = WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, nullptr, 0, nullptr, nullptr);
        std::string utf8(static_cast<std::size_t>(size > 0 ? size - 1 : 0), '\0');
        WideCharToMultiByte(CP_UTF8, 0, argv[i], -1, utf8.data(), size, nullptr, nullptr);
        arguments.push_back(std::move(utf8));
    }
    return RunTool(arguments);
}
#else
int main(int argc, char** argv) {
    return RunTool(std::vector<std::string>(argv + 1, argv + argc));
}
#endif
