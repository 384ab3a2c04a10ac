#pragma once

#include "core/platform/FileSystem.h"
#include "core/platform/LargeBlock.h"

#include <cstddef>
#include <memory>
#include <string>
#include <string_view>

class CStore;

// The name the Save dialog offers for an export.
inline constexpr const char* kTextExportDefaultName = "timedata.txt";

// One line per period, "name,MM/DD/YY HH:MM:SS,MM/DD/YY HH:MM:SS" in local time, CR LF after
// each, UTF-8. Projects in list order, each with its periods in list order (deleted and
// running ones included); periods of no existing project are left out. Nothing is quoted: a
// comma in a name is written as it is, and a reader finds the two times after the last two
// commas. A line break inside a name (only a foreign file can hold one) is written as a
// space, so that every line stays one period. A project name listed twice is exported once.
class CTextExport {
public:
    explicit CTextExport(const CStore& store);
    ~CTextExport();
    CTextExport(const CTextExport&) = delete;
    CTextExport& operator=(const CTextExport&) = delete;

    std::string_view Bytes() const { return {m_bytes.Data(), m_size}; }

private:
    CLargeBlock m_bytes;
    std::size_t m_size = 0;
};

// The same text as a string.
std::string ExportDataAsText(const CStore& store);

// Writes the export to `path`, replacing the file only once every byte is on disk; the
// failure names the path and the cause.
FileResult WriteTextExport(const CStore& store, const std::string& path,
                           FileOps& ops = SystemFileOps());
