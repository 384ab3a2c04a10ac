#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Outcome of a file operation; `message` names the path and the cause, ready to show.
struct FileResult {
    bool ok = true;
    std::string message;
    static FileResult Success() { return {}; }
    static FileResult Failure(std::string text) { return {false, std::move(text)}; }
};

// The few low-level steps a durable replace is made of. Tests wrap the real one to make a
// write fail after N bytes, a sync fail or a rename fail.
class FileOps {
public:
    virtual ~FileOps() = default;
    // Each returns 0 on success or an errno-style code. `handle` is opaque to callers.
    virtual int CreateTemp(const std::string& directory, const std::string& baseName,
                           std::string& tempPath, long long& handle) = 0;
    virtual int Write(long long handle, const char* data, std::size_t size,
                      std::size_t& written) = 0;
    virtual int Sync(long long handle) = 0;
    virtual int Close(long long handle) = 0;
    virtual int Rename(const std::string& from, const std::string& to) = 0;
    virtual int Remove(const std::string& path) = 0;
    virtual int SyncDirectory(const std::string& directory) = 0;
};

// The operating system's implementation.
FileOps& SystemFileOps();

// Writes `bytes` to a temporary file beside `path`, checks every byte, syncs it and renames
// it over `path`. The old file is never deleted or truncated first: a failure leaves it whole.
FileResult ReplaceFileDurably(const std::string& path, std::string_view bytes,
                              FileOps& ops = SystemFileOps());

enum class ReadStatus { Ok, Missing, Error };
// Reads the whole file; on Error, `error` names the path and the cause.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

bool FileExists(const std::string& path);
// Copies `from` to `to`, refusing to overwrite an existing `to`.
FileResult CopyFileNoOverwrite(const std::string& from, const std::string& to);
// Renames without replacing an existing target.
FileResult RenameNoOverwrite(const std::string& from, const std::string& to);

// The user-facing wording of an errno-style failure on `path`, for example
// "Access to /x/timedata.pnd was denied."
std::string DescribeFileError(int error, const std::string& path);

std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);
std::string JoinPath(const std::string& directory, const std::string& name);
