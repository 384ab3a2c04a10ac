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

// A fresh directory, removed with everything in it when the object goes.
class TempDir {
public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::string& Path() const { return m_path; }
    std::string operator/(const std::string& name) const { return m_path + "/" + name; }

private:
    std::string m_path;
};

void WriteBytes(const std::string& path, const std::string& bytes);
