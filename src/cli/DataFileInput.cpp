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
    CFileReader file;
    std::string error;
    switch (file.Open(path, error)) {
    case ReadStatus::Ok:
        break;
    case ReadStatus::Missing:
        context.Error("cannot read " + path + ": there is no such file");
        return kExitUsage;
    case ReadStatus::Error:
        context.Error(error.empty() ? "cannot read " + path : error);
        return kExitUsage;
    }
    // A block at a time: a large file is never in memory whole beside its store.
    m_result = CDataFile::Read(file.Source(), file.SizeHint(), store);
    if (file.Finish(error) != ReadStatus::Ok) {
        context.Error(error);
        return kExitUsage;
    }
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
