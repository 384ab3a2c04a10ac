#include "core/platform/FileStamp.h"

#include "core/platform/WideText.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#endif

#ifdef _WIN32
namespace {

std::uint64_t Join(DWORD high, DWORD low) {
    return (static_cast<std::uint64_t>(high) << 32) | low;
}

} // namespace

std::optional<FileStamp> StampOfFile(const std::string& path) {
    // Opened for nothing but its attributes, so that no reader or writer is kept out.
    const HANDLE file =
        CreateFileW(Widen(path).c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                    nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION info;
    const bool ok = GetFileInformationByHandle(file, &info) != 0;
    CloseHandle(file);
    if (!ok)
        return std::nullopt;
    FileStamp stamp;
    stamp.device = info.dwVolumeSerialNumber;
    stamp.file = Join(info.nFileIndexHigh, info.nFileIndexLow);
    stamp.size = Join(info.nFileSizeHigh, info.nFileSizeLow);
    stamp.modified = static_cast<std::int64_t>(
        Join(info.ftLastWriteTime.dwHighDateTime, info.ftLastWriteTime.dwLowDateTime));
    stamp.changed = static_cast<std::int64_t>(
        Join(info.ftCreationTime.dwHighDateTime, info.ftCreationTime.dwLowDateTime));
    return stamp;
}

#else

std::optional<FileStamp> StampOfFile(const std::string& path) {
    struct stat status {};
    if (::stat(path.c_str(), &status) != 0 || !S_ISREG(status.st_mode))
        return std::nullopt;
    FileStamp stamp;
    stamp.device = static_cast<std::uint64_t>(status.st_dev);
    stamp.file = static_cast<std::uint64_t>(status.st_ino);
    stamp.size = static_cast<std::uint64_t>(status.st_size);
    stamp.modified = status.st_mtim.tv_sec * 1000000000LL + status.st_mtim.tv_nsec;
    stamp.changed = status.st_ctim.tv_sec * 1000000000LL + status.st_ctim.tv_nsec;
    return stamp;
}

#endif
