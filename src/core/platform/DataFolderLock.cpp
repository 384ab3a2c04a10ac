#include "core/platform/DataFolderLock.h"

#include "core/platform/FileSystem.h"
#include "core/platform/WideText.h"

#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>
#include <utility>

#ifdef _WIN32
#include <windows.h>
#else
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace {

#ifdef _WIN32
// The locked byte lies far past the holder text, so others can still read that text.
constexpr DWORD kLockOffsetHigh = 0x7FFFFFFF;

long ProcessId() {
    return static_cast<long>(GetCurrentProcessId());
}
#else
long ProcessId() {
    return static_cast<long>(::getpid());
}

// Open-file-description locks conflict between any two opens, also within one process, and
// are released with the last descriptor of the open; flock behaves alike where they are
// missing.
int LockWhole(int fd) {
#ifdef F_OFD_SETLK
    struct flock lock {};
    lock.l_type = F_WRLCK;
    lock.l_whence = SEEK_SET;
    if (::fcntl(fd, F_OFD_SETLK, &lock) == 0)
        return 0;
    if (errno != EINVAL)
        return errno == EACCES ? EAGAIN : errno;
        // A kernel without them: fall through to flock.
#endif
    return ::flock(fd, LOCK_EX | LOCK_NB) == 0 ? 0 : errno;
}
#endif

std::string ReadHolder(const std::string& path) {
    std::string bytes;
    std::string error;
    if (ReadWholeFile(path, bytes, error) != ReadStatus::Ok)
        return {};
    const auto end = bytes.find_first_of("\r\n");
    if (end != std::string::npos)
        bytes.resize(end);
    // Only printable text from the file reaches a message.
    for (char c : bytes)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) >= 0x7F)
            return {};
    return bytes.substr(0, 80);
}

bool AllOf(const std::string& text, bool (*pred)(char)) {
    if (text.empty())
        return false;
    for (char c : text)
        if (!pred(c))
            return false;
    return true;
}

} // namespace

CDataFolderLock::CDataFolderLock(std::string holder) : m_holder(std::move(holder)) {}

CDataFolderLock::~CDataFolderLock() {
    Release();
}

std::string CDataFolderLock::LockFilePathFor(const std::string& dataDirectory) {
    return JoinPath(dataDirectory, kLockFileName);
}

CDataFolderLock::Status CDataFolderLock::TryAcquire(const std::string& dataDirectory) {
    Release();
    m_path = LockFilePathFor(dataDirectory);
    m_error.clear();
    m_otherHolder.clear();
    m_removedLeftovers = 0;
    const std::string stamp = m_holder + " " + std::to_string(ProcessId()) + "\n";
#ifdef _WIN32
    HANDLE h = CreateFileW(Widen(m_path).c_str(), GENERIC_READ | GENERIC_WRITE,
                           FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE, nullptr,
                           OPEN_ALWAYS, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (h == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        if (error == ERROR_SHARING_VIOLATION || error == ERROR_LOCK_VIOLATION) {
            m_otherHolder = ReadHolder(m_path);
            return Status::HeldByOther;
        }
        m_error = DescribeFileError(error == ERROR_ACCESS_DENIED ? EACCES : EIO, m_path);
        return Status::Error;
    }
    OVERLAPPED where{};
    where.OffsetHigh = kLockOffsetHigh;
    if (!LockFileEx(h, LOCKFILE_EXCLUSIVE_LOCK | LOCKFILE_FAIL_IMMEDIATELY, 0, 1, 0, &where)) {
        const DWORD error = GetLastError();
        CloseHandle(h);
        if (error == ERROR_LOCK_VIOLATION || error == ERROR_IO_PENDING) {
            m_otherHolder = ReadHolder(m_path);
            return Status::HeldByOther;
        }
        m_error = DescribeFileError(EIO, m_path);
        return Status::Error;
    }
    SetFilePointer(h, 0, nullptr, FILE_BEGIN);
    SetEndOfFile(h);
    DWORD written = 0;
    WriteFile(h, stamp.data(), static_cast<DWORD>(stamp.size()), &written, nullptr);
    m_handle = reinterpret_cast<long long>(h);
#else
    // Close-on-exec: a child (a browser opened on a report) must never inherit the lock.
    const int fd = ::open(m_path.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0) {
        m_error = DescribeFileError(errno, m_path);
        return Status::Error;
    }
    if (const int error = LockWhole(fd)) {
        ::close(fd);
        if (error == EAGAIN || error == EWOULDBLOCK) {
            m_otherHolder = ReadHolder(m_path);
            return Status::HeldByOther;
        }
        m_error = DescribeFileError(error, m_path);
        return Status::Error;
    }
    // Who holds it is only informative: a failure to write it does not undo the lock.
    if (::ftruncate(fd, 0) == 0) {
        [[maybe_unused]] const ssize_t n = ::pwrite(fd, stamp.data(), stamp.size(), 0);
    }
    m_handle = fd;
#endif
    m_removedLeftovers = RemoveSaveLeftovers(dataDirectory);
    return Status::Held;
}

void CDataFolderLock::Release() {
    if (m_handle == kNoHandle)
        return;
#ifdef _WIN32
    HANDLE h = reinterpret_cast<HANDLE>(m_handle);
    OVERLAPPED where{};
    where.OffsetHigh = kLockOffsetHigh;
    UnlockFileEx(h, 0, 1, 0, &where);
    CloseHandle(h);
#else
    ::close(static_cast<int>(m_handle));
#endif
    m_handle = kNoHandle;
}

bool IsSaveLeftoverName(const std::string& fileName) {
    auto alnum = [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
    };
    auto digit = [](char c) { return c >= '0' && c <= '9'; };
    // The data files of the program all end in ".pnd"; the rest of the name is free.
    const std::string marker = ".pnd.tmp";
    const auto at = fileName.rfind(marker);
    if (at == std::string::npos || at == 0)
        return false;
    const std::string suffix = fileName.substr(at + marker.size());
#ifdef _WIN32
    (void)alnum;
    // "<name>.tmp<pid>-<attempt>"
    const auto dash = suffix.find('-');
    return dash != std::string::npos && AllOf(suffix.substr(0, dash), +digit) &&
           AllOf(suffix.substr(dash + 1), +digit);
#else
    (void)digit;
    // ".<name>.tmp-XXXXXX" as mkstemp fills it in.
    return fileName[0] == '.' && at > 1 && suffix.size() == 7 && suffix[0] == '-' &&
           AllOf(suffix.substr(1), +alnum);
#endif
}

int RemoveSaveLeftovers(const std::string& directory) {
    namespace fs = std::filesystem;
    std::error_code error;
#ifdef _WIN32
    fs::directory_iterator it(fs::path(Widen(directory)), error);
#else
    fs::directory_iterator it(fs::path(directory), error);
#endif
    int removed = 0;
    for (; !error && it != fs::directory_iterator(); it.increment(error)) {
        std::error_code statError;
        // Never follow a link out of the folder, never touch anything but a plain file.
        if (!it->is_regular_file(statError) || it->is_symlink(statError))
            continue;
#ifdef _WIN32
        const std::u8string name8 = it->path().filename().u8string();
        const std::string name(name8.begin(), name8.end());
#else
        const std::string name = it->path().filename().string();
#endif
        if (IsSaveLeftoverName(name) && SystemFileOps().Remove(JoinPath(directory, name)) == 0)
            ++removed;
    }
    return removed;
}
