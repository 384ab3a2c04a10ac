#include "CliProcess.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TempDir::TempDir() {
    std::string pattern = (std::filesystem::temp_directory_path() / "punchwell-cli-XXXXXX");
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    m_path = pattern;
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

CliRun RunCli(const std::vector<std::string>& arguments,
              const std::map<std::string, std::optional<std::string>>& environment) {
    TempDir capture;
    const std::string outPath = capture / "stdout";
    const std::string errPath = capture / "stderr";

    std::vector<std::string> argStrings{PUNCHWELL_CLI_PATH};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : argStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);

    std::vector<std::string> envStrings;
    for (char** entry = environ; *entry; ++entry) {
        const std::string variable = *entry;
        if (!environment.count(variable.substr(0, variable.find('='))))
            envStrings.push_back(variable);
    }
    for (const auto& [name, value] : environment)
        if (value)
            envStrings.push_back(name + "=" + *value);
    std::vector<char*> envp;
    for (auto& variable : envStrings)
        envp.push_back(variable.data());
    envp.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, outPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, errPath.c_str(),
                                     O_WRONLY | O_CREAT | O_TRUNC, 0600);
    pid_t pid = 0;
    const int spawnError = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), envp.data());
    posix_spawn_file_actions_destroy(&actions);

    CliRun run;
    if (spawnError != 0) {
        ADD_FAILURE() << "cannot start " << argv[0];
        return run;
    }
    int status = 0;
    waitpid(pid, &status, 0);
    run.exitCode = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}
