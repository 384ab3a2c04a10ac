#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

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
    // The same into `buffer`, whose memory is reused (it holds the file's bytes after).
    // `put`, when given, is handed the bytes about a megabyte at a time as they are made
    // (the file can be on its way to the disk while the rest is made); when it returns false
    // the writing stops there and the buffer holds only part of the file.
    static void Write(const CStore& store, std::string_view scrambledPassword, std::uint16_t locked,
                      std::string& buffer, const std::function<bool(std::string_view)>& put = {});
    // Appends every completely read record to the store, in file order. Stops at the first
    // format error and reports it; never throws, whatever the bytes.
    // `consumed`, when given, is told now and then how far the reader has gone: the bytes
    // before that offset are in the store and never looked at again.
    static DataFileReadResult Read(std::string_view bytes, CStore& store,
                                   const std::function<void(std::size_t)>& consumed = {});
};
