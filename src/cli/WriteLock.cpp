#include "cli/WriteLock.h"

#include "cli/ArgumentParser.h"
#include "cli/Command.h"
#include "cli/DataLocation.h"

#include "core/app/PunchwellApp.h"
#include "core/platform/DataFolderLock.h"
#include "core/platform/FileSystem.h"

#include <filesystem>
#include <system_error>

namespace {

std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

bool SameFolder(const std::string& a, const std::string& b) {
    std::error_code error;
    return std::filesystem::equivalent(PathOf(a), PathOf(b), error) && !error;
}

bool IsDataFolder(const std::string& folder, const std::string& fileName,
                  const ParsedArguments& arguments, const CommandContext& context) {
    if (FileExists(CDataFolderLock::LockFilePathFor(folder)))
        return true;
    if (fileName == CPunchwellApp::kMainFileName || fileName == CPunchwellApp::kBackupFileName)
        return true;
    std::optional<std::string> dataDirectory = arguments.Value("--data-dir");
    if (!dataDirectory)
        dataDirectory = context.dataDirectory;
    if (!dataDirectory)
        dataDirectory = DefaultDataDirectory();
    return dataDirectory && SameFolder(folder, *dataDirectory);
}

// "Punchwell (process 1234)" from the holder line "punchwell 1234".
std::string DescribeHolder(const std::string& holder) {
    const auto space = holder.find(' ');
    const std::string program = holder.substr(0, space);
    const std::string pid = space == std::string::npos ? std::string() : holder.substr(space + 1);
    std::string name = program == "punchwell-cli" ? "another punchwell-cli" : "Punchwell";
    if (!pid.empty())
        name += " (process " + pid + ")";
    return name;
}

} // namespace

int LockForWriting(const std::string& path, const ParsedArguments& arguments,
                   const CommandContext& context, CDataFolderLock& lock) {
    const std::string folder = DirectoryOf(path);
    if (!IsDataFolder(folder, FileNameOf(path), arguments, context))
        return kExitOk;
    switch (lock.TryAcquire(folder)) {
    case CDataFolderLock::Status::Held:
        return kExitOk;
    case CDataFolderLock::Status::HeldByOther: {
        const std::string holder = lock.OtherHolder();
        const bool program = holder.rfind("punchwell-cli", 0) != 0;
        context.Error(DescribeHolder(holder) + (program ? " is running on " : " is writing into ") +
                      folder + "; nothing was written to " + path + "." +
                      (program ? " Exit Punchwell (File > Exit) and try again."
                               : " Try again when it has finished."));
        return kExitBusy;
    }
    case CDataFolderLock::Status::Error:
        break;
    }
    context.Error("cannot lock the data folder: " + lock.ErrorMessage() +
                  " Nothing was written to " + path + ".");
    return kExitUsage;
}
