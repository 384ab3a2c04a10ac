#pragma once

#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <string>

struct CommandContext;

// A data file read for a command: the records in a store of their own, and what the
// reader found. Commands that work on a file share its messages and exit codes.
class CDataFileInput {
public:
    // Reads the whole file. Returns kExitOk when it read completely, kExitDamaged when it
    // is damaged (the damage line is written to the error stream; the records read before
    // the damage are kept), kExitUsage when it is missing or unreadable (message written).
    int Read(const std::string& path, const CommandContext& context);
    // The same, appending the records to `store` instead of this input's own.
    int ReadInto(const std::string& path, const CommandContext& context, CStore& store);

    const std::string& Path() const { return m_path; }
    const CStore& Store() const { return m_store; }
    const DataFileReadResult& Result() const { return m_result; }

    // "<path>: damaged at byte N; read before the damage: P projects, Q periods"
    std::string DamageLine() const;

private:
    std::string m_path;
    CStore m_store;
    DataFileReadResult m_result;
};

// "1 project", "3 projects".
std::string CountOf(std::size_t count, const char* singular, const char* plural);
