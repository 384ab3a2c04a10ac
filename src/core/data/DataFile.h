#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

class CArchiveInput;
class CStore;

// What reading a data file produced, beyond the records appended to the store.
struct DataFileReadResult {
    bool damaged = false;
    bool passwordRead = false;
    bool lockedRead = false;
    std::string password; // scrambled form, raw bytes
    std::uint16_t locked = 0;
    std::size_t projectsRead = 0;
    std::size_t periodsRead = 0;
    // When damaged: where the first field or record that could not be read completely
    // begins; every byte before it went into the result or the store.
    std::size_t damageOffset = 0;
};

// The data file layout: password, lock flag, the projects and the periods, head first.
class CDataFile {
public:
    static std::string Write(const CStore& store, std::string_view scrambledPassword,
                             std::uint16_t locked);
    // The same to `sink`, a block at a time through `block`, whose memory is kept for the
    // next time; false when the sink refused some of the bytes.
    static bool Write(const CStore& store, std::string_view scrambledPassword, std::uint16_t locked,
                      std::string& block, const std::function<bool(std::string_view)>& sink);
    // Appends every completely read record to the store, in file order. Stops at the first
    // format error and reports it; never throws, whatever the bytes.
    static DataFileReadResult Read(std::string_view bytes, CStore& store);
    // The same from a source read a block at a time (a file), so that a large file is never
    // in memory whole: `source` fills up to `room` bytes and says how many, 0 at the end.
    // `sizeHint` is the size expected (0 when unknown).
    using ByteSource = std::function<std::size_t(char* into, std::size_t room)>;
    static DataFileReadResult Read(const ByteSource& source, std::size_t sizeHint, CStore& store);

    // Reads as Read does and finds the same damage at the same offset, but keeps nothing:
    // whether a file reads completely, at a fraction of the cost of loading it.
    static DataFileReadResult Check(const ByteSource& source, std::size_t sizeHint);

private:
    // Into `store`, or nowhere when it is null.
    static DataFileReadResult Read(CArchiveInput& input, CStore* store);
};
