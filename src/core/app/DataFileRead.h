#pragma once

#include "core/data/DataFile.h"
#include "core/platform/FileSystem.h"

#include <string>

class CStore;

// What one read of a data file found.
struct LoadOutcome {
    bool existed = false;     // the file was there
    bool unreadable = false;  // it was there but could not be opened or read
    std::string errorMessage; // for unreadable: the path and the cause
    DataFileReadResult read;  // what the reader produced (damaged, counts, offset)
};

// Appends the records of the data file `path` to `store`. A missing file adds nothing. The
// file is read a block at a time, unless `keepBytes` is given: it then receives the file's
// bytes as read.
LoadOutcome ReadDataFileInto(const std::string& path, CStore& store, CFileBytes* keepBytes);

// True when `path` is there but cannot be read, or does not read as a whole data file.
// Nothing of it is kept: it is read a block at a time.
bool IsDamagedDataFile(const std::string& path);
