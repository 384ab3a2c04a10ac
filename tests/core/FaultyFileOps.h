#pragma once

#include "core/platform/FileSystem.h"

#include <cerrno>
#include <optional>
#include <string>

// The real file operations with failures switched in where a test wants them.
class FaultyFileOps final : public FileOps {
public:
    // The writes to a temporary file stop there with ENOSPC, however many pieces they come in.
    std::optional<std::size_t> failAfterBytes;
    int writeCalls = 0; // to the last temporary file
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
        m_written = 0;
        writeCalls = 0;
        return r;
    }
    int Write(long long handle, const char* data, std::size_t size, std::size_t& written) override {
        ++writeCalls;
        if (failAfterBytes && *failAfterBytes < m_written + size) {
            const std::size_t room = *failAfterBytes > m_written ? *failAfterBytes - m_written : 0;
            m_real.Write(handle, data, room, written);
            m_written += written;
            return ENOSPC;
        }
        const int r = m_real.Write(handle, data, size, written);
        m_written += written;
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

private:
    FileOps& m_real = SystemFileOps();
    std::size_t m_written = 0;
};
