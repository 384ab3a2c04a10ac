#include "core/platform/FileSystem.h"

#include "core/platform/LargeBlock.h"
#include "core/platform/WideText.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#ifdef _WIN32
#include <windows.h>

#include <algorithm>
#include <chrono>
#include <io.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <thread>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
constexpr char kSeparators[] = "/\\";

int ErrnoFromWin32(DWORD error) {
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    default:
        return EIO;
    }
}

class WindowsFileOps final : public FileOps {
public:
    int CreateTemp(const std::string& directory, const std::string& baseName, std::string& tempPath,
                   long long& handle) override {
        for (unsigned attempt = 0; attempt < 100; ++attempt) {
            tempPath =
                JoinPath(directory, baseName + ".tmp" + std::to_string(GetCurrentProcessId()) +
                                        "-" + std::to_string(attempt));
            HANDLE h = CreateFileW(Widen(tempPath).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                                   FILE_ATTRIBUTE_NORMAL, nullptr);
            if (h != INVALID_HANDLE_VALUE) {
                handle = reinterpret_cast<long long>(h);
                return 0;
            }
            const DWORD error = GetLastError();
            if (error != ERROR_FILE_EXISTS && error != ERROR_ALREADY_EXISTS)
                return ErrnoFromWin32(error);
        }
        return EEXIST;
    }
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        written = 0;
        while (written < size) {
            const DWORD chunk = static_cast<DWORD>(std::min<std::size_t>(size - written, 1 << 20));
            DWORD done = 0;
            if (!WriteFile(reinterpret_cast<HANDLE>(handle), data + written, chunk, &done, nullptr))
                return ErrnoFromWin32(GetLastError());
            if (done == 0)
                return EIO;
            written += done;
        }
        return 0;
    }
    int Sync(long long handle) override {
        return FlushFileBuffers(reinterpret_cast<HANDLE>(handle)) ? 0
                                                                  : ErrnoFromWin32(GetLastError());
    }
    int Close(long long handle) override {
        return CloseHandle(reinterpret_cast<HANDLE>(handle)) ? 0 : ErrnoFromWin32(GetLastError());
    }
    int Rename(const std::string& from, const std::string& to) override {
        // Another program (a virus scanner, an indexer) may hold the target for a moment.
        DWORD error = 0;
        for (int attempt = 0; attempt < 5; ++attempt) {
            if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(),
                            MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
                return 0;
            error = GetLastError();
            if (error != ERROR_ACCESS_DENIED && error != ERROR_SHARING_VIOLATION &&
                error != ERROR_LOCK_VIOLATION)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(50 << attempt));
        }
        return ErrnoFromWin32(error);
    }
    int Remove(const std::string& path) override {
        return DeleteFileW(Widen(path).c_str()) ? 0 : ErrnoFromWin32(GetLastError());
    }
    int SyncDirectory(const std::string&) override {
        return 0; // MOVEFILE_WRITE_THROUGH already waited for the rename
    }
};
#else
constexpr char kSeparators[] = "/";

class PosixFileOps final : public FileOps {
public:
    int CreateTemp(const std::string& directory, const std::string& baseName, std::string& tempPath,
                   long long& handle) override {
        std::string pattern = JoinPath(directory, "." + baseName + ".tmp-XXXXXX");
        const int fd = mkstemp(pattern.data());
        if (fd < 0)
            return errno;
        tempPath = pattern;
        handle = fd;
        return 0;
    }
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        written = 0;
        while (written < size) {
            const ssize_t n = ::write(static_cast<int>(handle), data + written, size - written);
            if (n < 0) {
                if (errno == EINTR)
                    continue;
                return errno;
            }
            if (n == 0)
                return EIO;
            written += static_cast<std::size_t>(n);
        }
        return 0;
    }
    void StartWriteback(long long handle, std::uint64_t offset, std::size_t size) override {
#ifdef __linux__
        // Errors show at the sync that follows.
        (void)::sync_file_range(static_cast<int>(handle), static_cast<off_t>(offset),
                                static_cast<off_t>(size), SYNC_FILE_RANGE_WRITE);
#else
        (void)handle;
        (void)offset;
        (void)size;
#endif
    }
    int Sync(long long handle) override {
#ifdef __linux__
        return ::fdatasync(static_cast<int>(handle)) == 0 ? 0 : errno;
#else
        return ::fsync(static_cast<int>(handle)) == 0 ? 0 : errno;
#endif
    }
    int Close(long long handle) override {
        return ::close(static_cast<int>(handle)) == 0 ? 0 : errno;
    }
    int Rename(const std::string& from, const std::string& to) override {
        return ::rename(from.c_str(), to.c_str()) == 0 ? 0 : errno;
    }
    int Remove(const std::string& path) override {
        return ::unlink(path.c_str()) == 0 ? 0 : errno;
    }
    int SyncDirectory(const std::string& directory) override {
#ifdef __linux__
        const int fd = ::open(directory.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
        if (fd < 0)
            return errno;
        int result = ::fsync(fd) == 0 ? 0 : errno;
        ::close(fd);
        // Some file systems cannot sync a directory at all; the rename stands regardless.
        if (result == EINVAL || result == ENOTSUP)
            result = 0;
        return result;
#else
        (void)directory;
        return 0;
#endif
    }
};
#endif

#ifndef _WIN32
mode_t CurrentUmask() {
    // Reading it through /proc leaves the process's umask alone for other threads.
    if (std::FILE* status = std::fopen("/proc/self/status", "r")) {
        char line[256];
        unsigned value = 0;
        bool found = false;
        while (!found && std::fgets(line, sizeof line, status))
            found = std::sscanf(line, "Umask: %o", &value) == 1;
        std::fclose(status);
        if (found)
            return static_cast<mode_t>(value);
    }
    const mode_t mask = ::umask(0);
    ::umask(mask);
    return mask;
}

// Gives the temporary file the mode (and group) the finished file must have.
void MatchMode(const std::string& tempPath, const std::string& target, NewFileMode newMode,
               const std::string& modeOf) {
    struct stat st {};
    if (::stat(target.c_str(), &st) == 0 || (!modeOf.empty() && ::stat(modeOf.c_str(), &st) == 0)) {
        // Group first: a change of group may clear mode bits. Not allowed is no failure.
        if (st.st_gid != ::getegid()) [[maybe_unused]]
            const int ignored = ::chown(tempPath.c_str(), static_cast<uid_t>(-1), st.st_gid);
        ::chmod(tempPath.c_str(), st.st_mode & 0777);
        return;
    }
    if (newMode == NewFileMode::ForPeople)
        ::chmod(tempPath.c_str(), 0666 & ~CurrentUmask());
}
#endif

// EACCES when `path` is a file that the person made read-only; replacing it would silently
// undo that (and on Windows the replace fails anyway).
int CheckWritable(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes != INVALID_FILE_ATTRIBUTES && (attributes & FILE_ATTRIBUTE_READONLY) != 0)
        return EACCES;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return 0;
    // No write bit at all counts even for root, who may write anything.
    if ((st.st_mode & 0222) == 0)
        return EACCES;
    if (::access(path.c_str(), W_OK) != 0 && (errno == EACCES || errno == EROFS))
        return errno;
#endif
    return 0;
}

std::FILE* OpenFile(const std::string& path, const char* mode) {
#ifdef _WIN32
    std::wstring wmode(mode, mode + std::strlen(mode));
    return _wfopen(Widen(path).c_str(), wmode.c_str());
#else
    return std::fopen(path.c_str(), mode);
#endif
}

} // namespace

FileOps& SystemFileOps() {
#ifdef _WIN32
    static WindowsFileOps ops;
#else
    static PosixFileOps ops;
#endif
    return ops;
}

std::string ResolveLinks(const std::string& path) {
#ifdef _WIN32
    return path;
#else
    std::string current = path;
    // The kernel gives up after 40 links as well; a loop is then left to the save to report.
    for (int hop = 0; hop < 40; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode))
            return current;
        std::string target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 1, '\0');
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size());
        if (n <= 0 || static_cast<std::size_t>(n) >= target.size())
            return current;
        target.resize(static_cast<std::size_t>(n));
        current = target[0] == '/' ? target : JoinPath(DirectoryOf(current), target);
    }
    return current;
#endif
}

FileResult ReplaceFileDurably(const std::string& path, std::string_view bytes, FileOps& ops,
                              NewFileMode newMode, const std::string& modeOf) {
    return ReplaceFileDurably(
        path, [bytes](const FilePieceSink& put) { put(bytes); }, ops, newMode, modeOf);
}

FileResult ReplaceFileDurably(const std::string& path,
                              const std::function<void(const FilePieceSink& put)>& produce,
                              FileOps& ops, NewFileMode newMode, const std::string& modeOf) {
    // A link (into a synced folder, say) stays a link: the file it names is replaced.
    const std::string target = ResolveLinks(path);
    if (int error = CheckWritable(target))
        return FileResult::Failure(DescribeFileError(error, path));
    std::string tempPath;
    long long handle = -1;
    if (int error = ops.CreateTemp(DirectoryOf(target), FileNameOf(target), tempPath, handle))
        return FileResult::Failure(DescribeFileError(error, path));
#ifndef _WIN32
    MatchMode(tempPath, target, newMode, modeOf);
#else
    (void)newMode;
    (void)modeOf;
#endif

    // From here on a failure removes the temporary file; the old file is never touched.
    auto abandon = [&](int error, bool open) {
        if (open)
            ops.Close(handle);
        ops.Remove(tempPath);
        return FileResult::Failure(DescribeFileError(error, path));
    };

    int error = 0;
    std::uint64_t offset = 0;
    const FilePieceSink put = [&](std::string_view piece) {
        if (error != 0)
            return false;
        std::size_t written = 0;
        error = ops.Write(handle, piece.data(), piece.size(), written);
        if (error == 0 && written != piece.size())
            error = EIO; // a short write that reported no cause is still a failed save
        if (error != 0)
            return false;
        if (piece.empty())
            return true;
        ops.StartWriteback(handle, offset, piece.size());
        offset += piece.size();
        return true;
    };
    try {
        produce(put);
    } catch (...) {
        // Out of memory while making the bytes: no half-written file is left behind.
        abandon(0, true);
        throw;
    }
    if (error != 0)
        return abandon(error, true);
    if ((error = ops.Sync(handle)) != 0)
        return abandon(error, true);
    if ((error = ops.Close(handle)) != 0)
        return abandon(error, false);
    if ((error = ops.Rename(tempPath, target)) != 0)
        return abandon(error, false);
    // The data is in place; without the directory sync a power cut could still bring the
    // old file back, so that is reported too.
    if ((error = ops.SyncDirectory(DirectoryOf(target))) != 0)
        return FileResult::Failure(DescribeFileError(error, path));
    return FileResult::Success();
}

// Opens `path` for reading; a missing file is Missing, any other failure an Error with
// its wording in `error`.
static ReadStatus OpenForReading(const std::string& path, std::FILE*& file, std::string& error) {
    file = OpenFile(path, "rb");
    if (file != nullptr)
        return ReadStatus::Ok;
    const int code = errno;
    if (code == ENOENT || code == ENOTDIR)
        return ReadStatus::Missing;
    error = DescribeFileError(code, path);
    return ReadStatus::Error;
}

// The size of a regular file; 0 when unknown (a pipe, a device).
static long long RegularFileSize(std::FILE* file) {
#ifdef _WIN32
    struct _stat64 st {};
    if (_fstat64(_fileno(file), &st) == 0 && (st.st_mode & _S_IFREG) != 0)
        return st.st_size;
#else
    struct stat st {};
    if (::fstat(fileno(file), &st) == 0 && S_ISREG(st.st_mode))
        return st.st_size;
#endif
    return 0;
}

ReadStatus ReadWholeFile(const std::string& path, std::string& bytes, std::string& error) {
    bytes.clear();
    error.clear();
    std::FILE* file = nullptr;
    if (const ReadStatus status = OpenForReading(path, file, error); status != ReadStatus::Ok)
        return status;
    // One read of the whole size when it is known, then whatever the file grew by.
    const long long size = RegularFileSize(file);
    if (size > 0) {
        bytes.resize(static_cast<std::size_t>(size));
        bytes.resize(std::fread(bytes.data(), 1, bytes.size(), file));
    }
    char buffer[65536];
    for (;;) {
        const std::size_t n = std::fread(buffer, 1, sizeof buffer, file);
        bytes.append(buffer, n);
        if (n < sizeof buffer)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    const int code = errno;
    std::fclose(file);
    if (failed) {
        bytes.clear();
        error = DescribeFileError(code != 0 ? code : EIO, path);
        return ReadStatus::Error;
    }
    return ReadStatus::Ok;
}

void CFileBytes::Grow(std::size_t capacity) {
    CLargeBlock block(capacity);
    if (m_size != 0)
        std::memcpy(block.Data(), m_data.Data(), m_size);
    m_data = std::move(block);
}

ReadStatus ReadFileBytes(const std::string& path, CFileBytes& bytes, std::string& error) {
    bytes.Clear();
    error.clear();
    std::FILE* file = nullptr;
    if (const ReadStatus status = OpenForReading(path, file, error); status != ReadStatus::Ok)
        return status;
    // One read of the whole size when it is known, then whatever the file grew by.
    const long long size = RegularFileSize(file);
    // Unbuffered: the bytes go from the system straight into the block.
    std::setvbuf(file, nullptr, _IONBF, 0);
    // One byte more than the size, so that a file that did not grow is known at once.
    bytes.Grow(static_cast<std::size_t>(size) + 1);
    for (;;) {
        if (bytes.m_size == bytes.m_data.Size())
            bytes.Grow(bytes.m_data.Size() * 2);
        const std::size_t n = std::fread(bytes.m_data.Data() + bytes.m_size, 1,
                                         bytes.m_data.Size() - bytes.m_size, file);
        bytes.m_size += n;
        if (n == 0)
            break;
    }
    const bool failed = std::ferror(file) != 0;
    const int code = errno;
    std::fclose(file);
    if (failed) {
        bytes.Clear();
        error = DescribeFileError(code != 0 ? code : EIO, path);
        return ReadStatus::Error;
    }
    return ReadStatus::Ok;
}

CFileReader::~CFileReader() {
    if (m_file != nullptr)
        std::fclose(m_file);
}

ReadStatus CFileReader::Open(const std::string& path, std::string& error) {
    error.clear();
    m_path = path;
    if (const ReadStatus status = OpenForReading(path, m_file, error); status != ReadStatus::Ok)
        return status;
    m_sizeHint = static_cast<std::size_t>(RegularFileSize(m_file));
    // Unbuffered: the bytes go from the system straight into the reader's block.
    std::setvbuf(m_file, nullptr, _IONBF, 0);
    return ReadStatus::Ok;
}

std::size_t CFileReader::Read(char* into, std::size_t room) {
    return m_file != nullptr ? std::fread(into, 1, room, m_file) : 0;
}

ReadStatus CFileReader::Finish(std::string& error) {
    if (m_file == nullptr)
        return ReadStatus::Error;
    const bool failed = std::ferror(m_file) != 0;
    const int code = errno;
    std::fclose(m_file);
    m_file = nullptr;
    if (!failed)
        return ReadStatus::Ok;
    error = DescribeFileError(code != 0 ? code : EIO, m_path);
    return ReadStatus::Error;
}

bool FileExists(const std::string& path) {
#ifdef _WIN32
    return GetFileAttributesW(Widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
#else
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
#endif
}

PathKind ExaminePath(const std::string& path) {
#ifdef _WIN32
    const DWORD attributes = GetFileAttributesW(Widen(path).c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES)
        return PathKind::Missing;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) != 0)
        return PathKind::Folder;
    std::FILE* file = OpenFile(path, "rb");
    if (file == nullptr)
        return PathKind::Unreadable;
    std::fclose(file);
    return PathKind::File;
#else
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0)
        return errno == ENOENT || errno == ENOTDIR ? PathKind::Missing : PathKind::Unreadable;
    if (S_ISDIR(st.st_mode))
        return PathKind::Folder;
    // Asked, not opened: opening a pipe would wait for a writer.
    return ::access(path.c_str(), R_OK) == 0 ? PathKind::File : PathKind::Unreadable;
#endif
}

FileResult CopyFileNoOverwrite(const std::string& from, const std::string& to) {
    std::string bytes;
    std::string error;
    switch (ReadWholeFile(from, bytes, error)) {
    case ReadStatus::Missing:
        return FileResult::Failure(DescribeFileError(ENOENT, from));
    case ReadStatus::Error:
        return FileResult::Failure(error);
    case ReadStatus::Ok:
        break;
    }
    // Created exclusively (an existing copy is never overwritten) and private until it has
    // the source's mode.
#ifdef _WIN32
    // The runtime's fopen has no exclusive mode ("x" is ignored there): the system's own
    // create-new, and the copy synced before it counts as made.
    HANDLE h = CreateFileW(Widen(to).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_NEW,
                           FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE)
        return FileResult::Failure(DescribeFileError(ErrnoFromWin32(GetLastError()), to));
    const auto handle = reinterpret_cast<long long>(h);
    FileOps& ops = SystemFileOps();
    std::size_t written = 0;
    int code = ops.Write(handle, bytes.data(), bytes.size(), written);
    if (code == 0)
        code = ops.Sync(handle);
    const int closed = ops.Close(handle);
    if (code == 0)
        code = closed;
    if (code != 0) {
        ops.Remove(to);
        return FileResult::Failure(DescribeFileError(code, to));
    }
    return FileResult::Success();
#else
    std::FILE* file = nullptr;
    const int fd = ::open(to.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd >= 0) {
        struct stat st {};
        if (::stat(from.c_str(), &st) == 0)
            ::fchmod(fd, st.st_mode & 0777);
        file = ::fdopen(fd, "wb");
        if (file == nullptr)
            ::close(fd);
    }
    if (file == nullptr)
        return FileResult::Failure(DescribeFileError(errno, to));
    const bool wrote = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    int code = errno;
    bool ok = wrote && std::fflush(file) == 0;
    if (!ok && code == 0)
        code = errno;
    if (ok && ::fsync(fileno(file)) != 0) {
        ok = false;
        code = errno;
    }
    if (std::fclose(file) != 0 && ok) {
        ok = false;
        code = errno;
    }
    if (!ok) {
        SystemFileOps().Remove(to);
        return FileResult::Failure(DescribeFileError(code != 0 ? code : EIO, to));
    }
    return FileResult::Success();
#endif
}

FileResult RenameNoOverwrite(const std::string& from, const std::string& to) {
#ifdef _WIN32
    if (MoveFileExW(Widen(from).c_str(), Widen(to).c_str(), MOVEFILE_WRITE_THROUGH))
        return FileResult::Success();
    return FileResult::Failure(DescribeFileError(ErrnoFromWin32(GetLastError()), from));
#else
    // A hard link fails on an existing target, so nothing is ever replaced.
    if (::link(from.c_str(), to.c_str()) == 0) {
        ::unlink(from.c_str());
        return FileResult::Success();
    }
    const int code = errno;
    if (code == EEXIST)
        return FileResult::Failure(DescribeFileError(code, to));
    // File systems without hard links (and directories): check, then rename.
    if (FileExists(to))
        return FileResult::Failure(DescribeFileError(EEXIST, to));
    if (::rename(from.c_str(), to.c_str()) == 0)
        return FileResult::Success();
    return FileResult::Failure(DescribeFileError(errno, from));
#endif
}

std::string DescribeFileError(int error, const std::string& path) {
    switch (error) {
    case EACCES:
    case EPERM:
    case EROFS:
        return "Access to " + path + " was denied.";
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
        return "Disk full while accessing " + path + ".";
    default:
        break;
    }
    return "An error occurred while accessing " + path + ": " + std::strerror(error) + ".";
}

std::string DirectoryOf(const std::string& path) {
    const auto pos = path.find_last_of(kSeparators);
    if (pos == std::string::npos)
        return ".";
    if (pos == 0)
        return path.substr(0, 1);
    return path.substr(0, pos);
}

std::string FileNameOf(const std::string& path) {
    const auto pos = path.find_last_of(kSeparators);
    return pos == std::string::npos ? path : path.substr(pos + 1);
}

std::string JoinPath(const std::string& directory, const std::string& name) {
    if (directory.empty())
        return name;
    if (std::string_view(kSeparators).find(directory.back()) != std::string_view::npos)
        return directory + name;
#ifdef _WIN32
    // A path the person sees keeps one kind of separator: the system's, unless the folder
    // was written with forward slashes only.
    if (directory.find('\\') != std::string::npos || directory.find('/') == std::string::npos)
        return directory + "\\" + name;
#endif
    return directory + "/" + name;
}
