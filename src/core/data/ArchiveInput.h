#pragma once

#include "core/data/Archive.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string_view>

// The input of an archive reader: all the bytes at once, or a window onto a source that is
// read a block at a time, so that a large file is never in memory whole. Input is read in
// units (a field, a record): a unit that runs short of bytes while more are coming is read
// again from its start with more of them.
class CArchiveInput {
public:
    // Fills up to `room` bytes at `into` and says how many; 0 at the end of the input.
    using Source = std::function<std::size_t(char* into, std::size_t room)>;

    explicit CArchiveInput(std::string_view all);
    explicit CArchiveInput(std::string&&) = delete;
    // `sizeHint`, the size the source is expected to have (0 when unknown), lets a small
    // input be taken in one read.
    CArchiveInput(Source source, std::size_t sizeHint);
    CArchiveInput(const CArchiveInput&) = delete;
    CArchiveInput& operator=(const CArchiveInput&) = delete;

    CArchiveReader& Reader() { return m_reader; }

    // Reads one unit through `read` (which returns false on failure); the reader's failure
    // stands when more input cannot help.
    template <typename Read> bool ReadUnit(Read&& read) {
        if (m_source && !m_ended && m_reader.Remaining() < kAhead)
            Refill(false);
        const CArchiveReader::Mark mark = m_reader.GetMark();
        while (!read()) {
            if (!m_source || m_ended || !m_reader.RanShort())
                return false;
            m_reader.Rewind(mark);
            Refill(true);
        }
        return true;
    }

private:
    // Bytes kept ahead of the reader before each unit: most units fit, so few are read twice.
    static constexpr std::size_t kAhead = 64 * 1024;
    static constexpr std::size_t kBlock = 1024 * 1024;

    // Drops what the reader has done with, makes room (twice as much when `grow`) and fills
    // it from the source.
    void Refill(bool grow);

    Source m_source;
    std::unique_ptr<char[]> m_window;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
    std::size_t m_base = 0; // offset of m_window[0] in the whole input
    bool m_ended = false;
    CArchiveReader m_reader;
};
