// Feeds arbitrary bytes to the data-file reader. Beyond "no crash, no leak, no undefined
// behaviour", whatever was read must survive a write and a second read unchanged: the
// second read is clean, finds the same records, and writing them again gives the same bytes.
// Reading the bytes a block at a time, from a window that starts at one byte and grows, finds
// what reading them whole finds, and so does checking them without keeping anything.

#include "core/data/DataFile.h"
#include "core/data/Store.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <iterator>
#include <string>
#include <string_view>

namespace {

void Require(bool condition, const char* what) {
    if (!condition) {
        std::fprintf(stderr, "invariant broken: %s\n", what);
        std::abort();
    }
}

bool SameProjects(const CStore& a, const CStore& b) {
    auto it = b.Tasks().begin();
    for (const auto& task : a.Tasks()) {
        const CTask& other = **it++;
        if (task->GetName() != other.GetName() || task->GetReserved() != other.GetReserved() ||
            task->GetDollars() != other.GetDollars() || task->GetCents() != other.GetCents() ||
            task->GetUseFileFlag() != other.GetUseFileFlag() || task->GetFile() != other.GetFile())
            return false;
    }
    return true;
}

bool SamePeriods(const CStore& a, const CStore& b) {
    auto it = b.DoneTasks().begin();
    for (const auto& period : a.DoneTasks()) {
        const CDoneTask& other = **it++;
        if (period->GetProject() != other.GetProject() || period->GetNotes() != other.GetNotes() ||
            period->GetStart() != other.GetStart() || period->GetEnd() != other.GetEnd() ||
            period->GetRunningFlag() != other.GetRunningFlag() ||
            period->GetDeletedFlag() != other.GetDeletedFlag())
            return false;
    }
    return true;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);

    CStore first;
    const DataFileReadResult read = CDataFile::Read(bytes, first);
    Require(read.projectsRead == first.GetTaskCount(), "project count matches the store");
    Require(read.periodsRead == first.GetDoneCount(), "period count matches the store");
    Require(!read.damaged || read.damageOffset <= size, "damage offset lies within the file");

    const std::string written = CDataFile::Write(first, read.password, read.locked);

    CStore inPieces;
    std::size_t at = 0;
    const std::size_t piece = size % 7 + 1;
    const DataFileReadResult pieces = CDataFile::Read(
        [&](char* into, std::size_t room) {
            const std::size_t n = std::min({room, piece, size - at});
            std::copy_n(data + at, n, into);
            at += n;
            return n;
        },
        0, inPieces);
    Require(pieces.damaged == read.damaged && pieces.damageOffset == read.damageOffset,
            "the same damage read a block at a time");
    Require(pieces.password == read.password && pieces.locked == read.locked,
            "the same password and lock flag read a block at a time");
    Require(CDataFile::Write(inPieces, pieces.password, pieces.locked) == written,
            "the same records read a block at a time");
    std::size_t checkedTo = 0;
    const DataFileReadResult checked = CDataFile::Check(
        [&](char* into, std::size_t room) {
            const std::size_t n = std::min(room, size - checkedTo);
            std::copy_n(data + checkedTo, n, into);
            checkedTo += n;
            return n;
        },
        size);
    Require(checked.damaged == read.damaged && checked.damageOffset == read.damageOffset &&
                checked.periodsRead == read.periodsRead &&
                checked.projectsRead == read.projectsRead,
            "checking finds what reading finds");
    CStore second;
    const DataFileReadResult reread = CDataFile::Read(written, second);
    Require(!reread.damaged, "a written file reads back clean");
    Require(reread.projectsRead == read.projectsRead, "same number of projects");
    Require(reread.periodsRead == read.periodsRead, "same number of periods");
    Require(reread.password == read.password, "same password");
    Require(reread.locked == read.locked, "same lock flag");
    Require(SameProjects(first, second), "same projects");
    Require(SamePeriods(first, second), "same periods");
    Require(CDataFile::Write(second, reread.password, reread.locked) == written,
            "writing what was read back gives the same bytes");
    return 0;
}
