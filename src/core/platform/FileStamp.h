#pragma once

#include <cstdint>
#include <optional>
#include <string>

// What tells one state of a file from another without reading it: which file the path names
// and when it last changed. Every writer of the data files replaces them whole by a rename,
// so a path with the same stamp still holds the bytes read under it.
struct FileStamp {
    std::uint64_t device = 0;
    std::uint64_t file = 0;
    std::uint64_t size = 0;
    std::int64_t modified = 0; // nanoseconds, or the system's own finer unit
    std::int64_t changed = 0;  // the status change time; on Windows the creation time

    bool operator==(const FileStamp&) const = default;
};

// The stamp of the file `path` names now; none when it is missing or cannot be examined.
std::optional<FileStamp> StampOfFile(const std::string& path);
