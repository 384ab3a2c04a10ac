#pragma once

#include "core/app/DataFileRead.h"
#include "core/data/Store.h"
#include "core/platform/FileStamp.h"
#include "core/platform/FileSystem.h"

#include <memory>
#include <optional>
#include <string>
#include <thread>

// The main data file read into a store of its own on a thread, while the program is still
// starting and the window system comes up. It is read before the program holds the data
// folder, so what it gave is used only if the file is still the one read (FileStamp);
// otherwise the start reads it again in the ordinary way.
class CEarlyLoad {
public:
    // What reading the main file gave.
    struct MainFile {
        LoadOutcome outcome;
        std::shared_ptr<CFileBytes> bytes = std::make_shared<CFileBytes>();
        CStore store;
    };

    // Starts the read. Where no thread can be had, nothing is read early.
    explicit CEarlyLoad(std::string mainPath);
    CEarlyLoad(const CEarlyLoad&) = delete;
    CEarlyLoad& operator=(const CEarlyLoad&) = delete;
    ~CEarlyLoad();

    // The main file as read, once: when `path` is the file that was read and it has not
    // changed since. Waits for the read.
    std::unique_ptr<MainFile> TakeMain(const std::string& path);
    // Waits until the read has finished.
    void Wait();

private:
    std::string m_path;
    std::unique_ptr<MainFile> m_main;
    std::optional<FileStamp> m_stamp; // the file's, when it did not change while it was read
    std::thread m_thread;
};
