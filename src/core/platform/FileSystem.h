#pragma once

#include "core/platform/LargeBlock.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
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
    // A hint that the bytes just written may go to the disk now, so that the final sync has
    // less left to wait for; where the system offers no such hint it does nothing.
    virtual void StartWriteback(long long handle, std::uint64_t offset, std::size_t size) {
        (void)handle;
        (void)offset;
        (void)size;
    }
};

// The operating system's implementation.
FileOps& SystemFileOps();

// The mode a file gets when it is created; a replaced file always keeps its own mode.
enum class NewFileMode {
    Private,   // data files, which hold the password: the owner only
    ForPeople, // reports, exports, report definitions: what the umask gives, to be shared
};

// Writes `bytes` to a temporary file beside `path`, checks every byte, syncs it and renames
// it over `path`. The old file is never deleted or truncated first: a failure leaves it whole.
// A symbolic link is saved through: its target is replaced, with the temporary file beside
// it. The replaced file's mode (and group where allowed) carries over; a file without write
// permission is not replaced. A new file takes the mode of `modeOf` when that file exists
// (a copy of the data takes the data file's mode), else `newMode`.
FileResult ReplaceFileDurably(const std::string& path, std::string_view bytes,
                              FileOps& ops = SystemFileOps(),
                              NewFileMode newMode = NewFileMode::Private,
                              const std::string& modeOf = {});

// The same for bytes made piece by piece: `produce` hands each piece to `put` as soon as it
// is ready, and stops when put returns false (the write failed; the failure is reported).
// The disk takes the first pieces while the later ones are still being made.
using FilePieceSink = std::function<bool(std::string_view piece)>;
FileResult ReplaceFileDurably(const std::string& path,
                              const std::function<void(const FilePieceSink& put)>& produce,
                              FileOps& ops = SystemFileOps(),
                              NewFileMode newMode = NewFileMode::Private,
                              const std::string& modeOf = {});

// The file a chain of symbolic links finally names (the path itself when it is no link).
std::string ResolveLinks(const std::string& path);

enum class ReadStatus { Ok, Missing, Error };
// Reads the whole file; on Error, `error` names the path and the cause.
ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error);

// A file's bytes in one block that is never zeroed first: reading a large data file costs
// the read and nothing more.
class CFileBytes {
public:
    std::string_view View() const { return {m_data.Data(), m_size}; }
    std::size_t Size() const { return m_size; }
    void Clear() {
        m_data = CLargeBlock();
        m_size = 0;
    }

private:
    friend ReadStatus ReadFileBytes(const std::string& path, CFileBytes& bytes, std::string& error);
    void Grow(std::size_t capacity);

    CLargeBlock m_data;
    std::size_t m_size = 0;
};
// ReadWholeFile into such a block.
ReadStatus ReadFileBytes(const std::string& path, CFileBytes& bytes, std::string& error);

// A file read from its start a block at a time, for a reader that wants no more of it in
// memory than the block it is working on.
class CFileReader {
public:
    CFileReader() = default;
    CFileReader(const CFileReader&) = delete;
    CFileReader& operator=(const CFileReader&) = delete;
    ~CFileReader();

    ReadStatus Open(const std::string& path, std::string& error);
    // The size when it was opened; 0 when unknown (a pipe, a device).
    std::size_t SizeHint() const { return m_sizeHint; }
    // Up to `room` bytes into `into`; 0 at the end of the file or when reading failed.
    std::size_t Read(char* into, std::size_t room);
    // Read as a function, for a reader that takes its bytes from any source.
    auto Source() {
        return [this](char* into, std::size_t room) { return Read(into, room); };
    }
    // After the reading: Ok, or Error with `error` naming the path and the cause.
    ReadStatus Finish(std::string& error);

private:
    std::FILE* m_file = nullptr;
    std::string m_path;
    std::size_t m_sizeHint = 0;
};

bool FileExists(const std::string& path);
// What a path names, so a refusal can say why a file cannot be read.
enum class PathKind { Missing, Folder, Unreadable, File };
PathKind ExaminePath(const std::string& path);
// Copies `from` to `to`, refusing to overwrite an existing `to`. The copy takes the mode of
// `from`, so a copy of the data is never readable by more people than the data itself.
FileResult CopyFileNoOverwrite(const std::string& from, const std::string& to);
// Renames without replacing an existing target.
FileResult RenameNoOverwrite(const std::string& from, const std::string& to);

// The user-facing wording of an errno-style failure on `path`, for example
// "Access to /x/timedata.pnd was denied."
std::string DescribeFileError(int error, const std::string& path);

std::string DirectoryOf(const std::string& path);
std::string FileNameOf(const std::string& path);
std::string JoinPath(const std::string& directory, const std::string& name);
