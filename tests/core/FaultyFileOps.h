#pragma once

#include "core/platform/FileSystem.h"

#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>

// The real file operations with failures switched in where a test wants them.
class FaultyFileOps final : public FileOps {
public:
    std::optional<std::size_t> failAfterBytes; // the write stops there with ENOSPC
    int createError = 0;
    int syncError = 0;
    int closeError = 0;
    int renameError = 0;
    int syncDirectoryError = 0;
    std::string lastTempPath;
    int renames = 0;

    int CreateTemp(const std::string& directory, const std::string& baseName, std::string& tempPath,
                   long long& handle) override {
        if (createError)
            return createError;
        const int r = m_real.CreateTemp(directory, baseName, tempPath, handle);
        lastTempPath = tempPath;
        m_writtenToFile = 0;
        return r;
    }
    // The limit counts every byte written to the file so far, however many pieces it came in.
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        if (failAfterBytes && *failAfterBytes < m_writtenToFile + size) {
            const std::size_t room = *failAfterBytes - std::min(*failAfterBytes, m_writtenToFile);
            m_real.Write(handle, data, room, written);
            m_writtenToFile += written;
            return ENOSPC;
        }
        const int r = m_real.Write(handle, data, size, written);
        m_writtenToFile += written;
        return r;
    }
    int Sync(long long handle) override {
        const int r = m_real.Sync(handle);
        return syncError ? syncError : r;
    }
    int Close(long long handle) override {
        const int r = m_real.Close(handle);
        return closeError ? closeError : r;
    }
    int Rename(const std::string& from, const std::string& to) override {
        ++renames;
        return renameError ? renameError : m_real.Rename(from, to);
    }
    int Remove(const std::string& path) override { return m_real.Remove(path); }
    int SyncDirectory(const std::string& directory) override {
        return syncDirectoryError ? syncDirectoryError : m_real.SyncDirectory(directory);
    }

    void StartWriteback(long long handle, std::uint64_t offset, std::size_t size) override {
        m_real.StartWriteback(handle, offset, size);
    }

private:
    FileOps& m_real = SystemFileOps();
    std::size_t m_writtenToFile = 0;
};
