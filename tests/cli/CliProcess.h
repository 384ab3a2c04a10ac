#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

// Runs punchwell-cli as a separate process and captures what it printed.
struct CliRun {
    int exitCode = -1;
    std::string out;
    std::string err;
};

// `environment` entries replace (or, with no value, remove) variables of the test's own
// environment.
CliRun RunCli(const std::vector<std::string>& arguments,
              const std::map<std::string, std::optional<std::string>>& environment = {});

// A run of punchwell-cli that goes on beside the test until it is waited for or killed;
// what it prints is dropped.
class CliChild {
public:
    explicit CliChild(const std::vector<std::string>& arguments);
    ~CliChild(); // kills it if it still runs
    CliChild(const CliChild&) = delete;
    CliChild& operator=(const CliChild&) = delete;

    bool Started() const;
    int Wait();  // its exit code
    void Kill(); // at once, as a crash would: nothing of it runs any more

private:
    long long m_process = -1; // a process id, or a handle on Windows
};

// The user's options as the desktop program keeps them, for the tool to read: the settings
// file under `configHome` (the tests' XDG_CONFIG_HOME) on Linux, the user's registry key on
// Windows. Set replaces them all; the object removes them when it goes.
class ScopedUserOptions {
public:
    explicit ScopedUserOptions(std::string configHome);
    ~ScopedUserOptions();
    ScopedUserOptions(const ScopedUserOptions&) = delete;
    ScopedUserOptions& operator=(const ScopedUserOptions&) = delete;

    void Set(const std::map<std::string, int>& values);

private:
    std::string m_configHome;
};

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    // A path inside it, written with the system's separators (as the tool writes paths).
    std::string operator/(const std::string& name) const;

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const std::string& bytes);
