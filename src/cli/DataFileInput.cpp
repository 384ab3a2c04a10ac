#include "cli/DataFileInput.h"

#include "cli/Command.h"

#include "core/platform/FileSystem.h"

std::string CountOf(std::size_t count, const char* singular, const char* plural) {
    return std::to_string(count) + " " + (count == 1 ? singular : plural);
}

int CDataFileInput::Read(const std::string& path, const CommandContext& context) {
    return ReadInto(path, context, m_store);
}

int CDataFileInput::ReadInto(const std::string& path, const CommandContext& context,
                             CStore& store) {
    m_path = path;
    CFileBytes bytes;
    std::string error;
    switch (ReadFileBytes(path, bytes, error)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Missing:
        context.Error("cannot read " + path + ": there is no such file");
        return kExitUsage;
    case ReadStatus::Error:
        context.Error(error.empty() ? "cannot read " + path : error);
        return kExitUsage;
    }
    // What has gone into the store is given back as the reading goes on.
    m_result = CDataFile::Read(bytes.View(), store,
                               [&](std::size_t offset) { bytes.ReleaseBefore(offset); });
    if (m_result.damaged) {
        context.Error(DamageLine());
        return kExitDamaged;
    }
    return kExitOk;
}

std::string CDataFileInput::DamageLine() const {
    return m_path + ": damaged at byte " + std::to_string(m_result.damageOffset) +
           "; read before the damage: " + CountOf(m_result.projectsRead, "project", "projects") +
           ", " + CountOf(m_result.periodsRead, "period", "periods");
}
