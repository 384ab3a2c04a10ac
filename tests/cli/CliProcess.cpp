#include "CliProcess.h"
#include "core/platform/WideText.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;
#endif

namespace {

std::string ReadAll(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

} // namespace

TempDir::TempDir() {
    // A random name made exclusively: create_directory fails on an existing one.
    std::random_device random;
    const auto base = std::filesystem::temp_directory_path();
    for (int attempt = 0; attempt < 100; ++attempt) {
        const auto candidate = base / ("punchwell-cli-" + std::to_string(random()));
        if (std::filesystem::create_directory(candidate)) {
            m_path = candidate.string();
            return;
        }
    }
    throw std::runtime_error("cannot make a temporary folder");
}

TempDir::~TempDir() {
    std::error_code ignored;
    std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ignored);
    std::filesystem::remove_all(m_path, ignored);
}

std::string TempDir::operator/(const std::string& name) const {
#ifdef _WIN32
    std::string path = m_path + "\\" + name;
    std::replace(path.begin(), path.end(), '/', '\\');
    return path;
#else
    return m_path + "/" + name;
#endif
}

void WriteBytes(const std::string& path, const std::string& bytes) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    if (!out)
        throw std::runtime_error("cannot write " + path);
}

ScopedUserOptions::ScopedUserOptions(std::string configHome)
    : m_configHome(std::move(configHome)) {}

#ifdef _WIN32
namespace {
constexpr wchar_t kOptionsKey[] = L"Software\\Quillmoor\\Punchwell\\Options";
} // namespace

ScopedUserOptions::~ScopedUserOptions() {
    RegDeleteKeyW(HKEY_CURRENT_USER, kOptionsKey);
}

// As the desktop program's settings write numbers: one DWORD value each.
void ScopedUserOptions::Set(const std::map<std::string, int>& values) {
    RegDeleteKeyW(HKEY_CURRENT_USER, kOptionsKey);
    for (const auto& [name, value] : values) {
        const std::wstring wideName(name.begin(), name.end());
        const DWORD data = static_cast<DWORD>(value);
        if (RegSetKeyValueW(HKEY_CURRENT_USER, kOptionsKey, wideName.c_str(), REG_DWORD, &data,
                            sizeof data) != ERROR_SUCCESS)
            ADD_FAILURE() << "cannot write the registry value " << name;
    }
}
#else
ScopedUserOptions::~ScopedUserOptions() {
    std::error_code ignored;
    std::filesystem::remove(m_configHome + "/Quillmoor/Punchwell.conf", ignored);
}

void ScopedUserOptions::Set(const std::map<std::string, int>& values) {
    std::string text = "[Options]\n";
    for (const auto& [name, value] : values)
        text += name + "=" + std::to_string(value) + "\n";
    WriteBytes(m_configHome + "/Quillmoor/Punchwell.conf", text);
}
#endif

#ifdef _WIN32
namespace {

std::string Utf8(const std::wstring& wide) {
    if (wide.empty())
        return {};
    const int n = WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string utf8(static_cast<std::size_t>(n), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.data(), static_cast<int>(wide.size()), utf8.data(), n,
                        nullptr, nullptr);
    return utf8;
}

// One argument as the C runtime's parser reads it back (backslashes double only before a
// quote).
std::wstring Quote(const std::wstring& argument) {
    if (!argument.empty() && argument.find_first_of(L" \t\"") == std::wstring::npos)
        return argument;
    std::wstring quoted = L"\"";
    std::size_t backslashes = 0;
    for (wchar_t c : argument) {
        if (c == L'\\') {
            ++backslashes;
            continue;
        }
        quoted.append(c == L'"' ? backslashes * 2 + 1 : backslashes, L'\\');
        backslashes = 0;
        quoted.push_back(c);
    }
    quoted.append(backslashes * 2, L'\\');
    return quoted + L"\"";
}

// The tool built beside the tests: bin\punchwell-cli.exe next to the tests' folder.
std::wstring CliPath() {
    wchar_t self[MAX_PATH];
    const DWORD n = GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path tests = std::filesystem::path(std::wstring(self, n)).parent_path();
    return (tests.parent_path() / L"bin" / L"punchwell-cli.exe").wstring();
}

HANDLE Inheritable(const std::wstring& path, DWORD access, DWORD disposition) {
    SECURITY_ATTRIBUTES inherit{sizeof(SECURITY_ATTRIBUTES), nullptr, TRUE};
    return CreateFileW(path.c_str(), access, FILE_SHARE_READ | FILE_SHARE_WRITE, &inherit,
                       disposition, FILE_ATTRIBUTE_NORMAL, nullptr);
}

} // namespace

CliRun RunCli(const std::vector<std::string>& arguments,
              const std::map<std::string, std::optional<std::string>>& environment) {
    TempDir capture;
    const std::string outPath = capture / "stdout";
    const std::string errPath = capture / "stderr";

    const std::wstring program = CliPath();
    std::wstring commandLine = Quote(program);
    for (const std::string& argument : arguments)
        commandLine += L" " + Quote(Widen(argument));

    // The test's environment with the replacements; names compare without case there.
    std::map<std::wstring, std::wstring> variables;
    if (wchar_t* block = GetEnvironmentStringsW()) {
        for (const wchar_t* entry = block; *entry; entry += wcslen(entry) + 1) {
            const std::wstring variable = entry;
            const auto equals = variable.find(L'=', 1);
            if (equals != std::wstring::npos)
                variables[variable.substr(0, equals)] = variable.substr(equals + 1);
        }
        FreeEnvironmentStringsW(block);
    }
    for (const auto& [name, value] : environment) {
        std::wstring key = Widen(name);
        for (auto it = variables.begin(); it != variables.end();)
            it = _wcsicmp(it->first.c_str(), key.c_str()) == 0 ? variables.erase(it) : ++it;
        if (!value)
            continue;
        // The C runtime knows no zone names, only the United States' "EST5EDT" form.
        variables[key] = name == "TZ" && *value == "America/New_York" ? L"EST5EDT" : Widen(*value);
    }
    std::wstring block;
    for (const auto& [name, value] : variables)
        block += name + L"=" + value + L'\0';
    block += L'\0';

    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = Inheritable(Widen(outPath), GENERIC_WRITE, CREATE_ALWAYS);
    startup.hStdError = Inheritable(Widen(errPath), GENERIC_WRITE, CREATE_ALWAYS);
    PROCESS_INFORMATION process{};
    const BOOL started =
        CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE,
                       CREATE_UNICODE_ENVIRONMENT, block.data(), nullptr, &startup, &process);
    const DWORD startError = started ? 0 : GetLastError();
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);

    CliRun run;
    if (!started) {
        ADD_FAILURE() << "cannot start " << Utf8(program) << " (error " << startError << ")";
        return run;
    }
    WaitForSingleObject(process.hProcess, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process.hProcess, &code);
    CloseHandle(process.hThread);
    CloseHandle(process.hProcess);
    run.exitCode = static_cast<int>(code);
    run.out = ReadAll(outPath);
    run.err = ReadAll(errPath);
    return run;
}
CliChild::CliChild(const std::vector<std::string>& arguments) {
    const std::wstring program = CliPath();
    std::wstring commandLine = Quote(program);
    for (const std::string& argument : arguments)
        commandLine += L" " + Quote(Widen(argument));
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdInput = Inheritable(L"NUL", GENERIC_READ, OPEN_EXISTING);
    startup.hStdOutput = Inheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    startup.hStdError = Inheritable(L"NUL", GENERIC_WRITE, OPEN_EXISTING);
    PROCESS_INFORMATION process{};
    if (CreateProcessW(program.c_str(), commandLine.data(), nullptr, nullptr, TRUE, 0, nullptr,
                       nullptr, &startup, &process)) {
        CloseHandle(process.hThread);
        m_process = reinterpret_cast<long long>(process.hProcess);
    }
    CloseHandle(startup.hStdInput);
    CloseHandle(startup.hStdOutput);
    CloseHandle(startup.hStdError);
}

CliChild::~CliChild() {
    Kill();
}

bool CliChild::Started() const {
    return m_process != -1;
}

int CliChild::Wait() {
    if (m_process == -1)
        return -1;
    const auto process = reinterpret_cast<HANDLE>(m_process);
    WaitForSingleObject(process, INFINITE);
    DWORD code = 0;
    GetExitCodeProcess(process, &code);
    CloseHandle(process);
    m_process = -1;
    return static_cast<int>(code);
}

void CliChild::Kill() {
    if (m_process == -1)
        return;
    TerminateProcess(reinterpret_cast<HANDLE>(m_process), 137);
    Wait();
}
#else
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

CliChild::CliChild(const std::vector<std::string>& arguments) {
    std::vector<std::string> argStrings{PUNCHWELL_CLI_PATH};
    argStrings.insert(argStrings.end(), arguments.begin(), arguments.end());
    std::vector<char*> argv;
    for (auto& argument : argStrings)
        argv.push_back(argument.data());
    argv.push_back(nullptr);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, STDIN_FILENO, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDOUT_FILENO, "/dev/null", O_WRONLY, 0);
    posix_spawn_file_actions_addopen(&actions, STDERR_FILENO, "/dev/null", O_WRONLY, 0);
    pid_t pid = 0;
    if (posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ) == 0)
        m_process = pid;
    posix_spawn_file_actions_destroy(&actions);
}

CliChild::~CliChild() {
    Kill();
}

bool CliChild::Started() const {
    return m_process != -1;
}

int CliChild::Wait() {
    if (m_process == -1)
        return -1;
    int status = 0;
    waitpid(static_cast<pid_t>(m_process), &status, 0);
    m_process = -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
}

void CliChild::Kill() {
    if (m_process == -1)
        return;
    kill(static_cast<pid_t>(m_process), SIGKILL);
    Wait();
}
#endif
