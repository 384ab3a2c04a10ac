#include "core/app/DataFileRead.h"

#include <utility>

LoadOutcome ReadDataFileInto(const std::string& path, CStore& store, CFileBytes* keepBytes) {
    LoadOutcome outcome;
    CFileBytes bytes;
    CFileReader file;
    const ReadStatus status = keepBytes != nullptr
                                  ? ReadFileBytes(path, bytes, outcome.errorMessage)
                                  : file.Open(path, outcome.errorMessage);
    switch (status) {
    case ReadStatus::Missing:
        return outcome;
    case ReadStatus::Error:
        outcome.existed = true;
        outcome.unreadable = true;
        return outcome;
    case ReadStatus::Ok:
        break;
    }
    outcome.existed = true;
    if (keepBytes != nullptr) {
        outcome.read = CDataFile::Read(bytes.View(), store);
        *keepBytes = std::move(bytes);
        return outcome;
    }
    outcome.read = CDataFile::Read(file.Source(), file.SizeHint(), store);
    if (file.Finish(outcome.errorMessage) != ReadStatus::Ok)
        outcome.unreadable = true;
    return outcome;
}

bool IsDamagedDataFile(const std::string& path) {
    CFileReader file;
    std::string error;
    switch (file.Open(path, error)) {
    case ReadStatus::Missing:
        return false;
    case ReadStatus::Error:
        return true;
    case ReadStatus::Ok:
        break;
    }
    const bool damaged = CDataFile::Check(file.Source(), file.SizeHint()).damaged;
    return damaged || file.Finish(error) != ReadStatus::Ok;
}
