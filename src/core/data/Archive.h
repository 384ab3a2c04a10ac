#pragma once

#include <bit>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The tagged object stream shared by data files and custom report files: little-endian
// numbers, length-prefixed strings, counts, and objects introduced by class records or
// class indexes. Classes and objects share one counter starting at 1.
//
// Strings are UTF-8 in memory. On disk they are Windows-1252 bytes, or the 16-bit form
// (FF FFFE, length in 16-bit units, UTF-16LE) when the text has characters outside it.
//
// The writer puts its bytes into a block through a pointer and checks the room once for
// each field: a save makes several writes for each of many thousand records. The bytes
// either stay in memory (Bytes, TakeBytes) or go to a sink a block at a time, so that a
// large file is never held whole and each block is handed on while it is still in cache.
class CArchiveWriter {
public:
    // Takes the bytes handed to it; false when they could not be kept (the file is then
    // incomplete, and the writer hands it nothing more).
    using Sink = std::function<bool(std::string_view)>;

    // Everything in memory, in `buffer` (emptied first, its memory reused).
    CArchiveWriter();
    explicit CArchiveWriter(std::string buffer);
    // Everything to `sink`, through `block`, whose memory is kept for the next writer.
    CArchiveWriter(std::string& block, Sink sink);
    CArchiveWriter(const CArchiveWriter&) = delete;
    CArchiveWriter& operator=(const CArchiveWriter&) = delete;

    void Reserve(std::size_t bytes);

    void WriteByte(std::uint8_t value) {
        Room(1);
        *m_pos++ = static_cast<char>(value);
    }
    void WriteWord(std::uint16_t value) {
        Room(2);
        PutWord(value);
    }
    void WriteDWord(std::uint32_t value) {
        Room(4);
        PutDWord(value);
    }
    void WriteInt32(std::int32_t value) { WriteDWord(static_cast<std::uint32_t>(value)); }
    // Several in one piece: a record's fixed fields side by side.
    template <std::size_t N> void WriteInt32s(const std::int32_t (&values)[N]) {
        Room(4 * N);
        for (std::int32_t value : values)
            PutDWord(static_cast<std::uint32_t>(value));
    }
    void WriteCount(std::size_t count);
    // Text in memory (UTF-8), converted as described above. Bytes that are not UTF-8 are
    // written in the 16-bit form as U+FFFD, one per bad byte, so nothing after them is lost.
    // Returns the bytes as written, valid until the next write.
    std::string_view WriteString(std::string_view utf8);
    // The same for a text that many records share by address (a project's name): it is
    // converted once per writer rather than once per record.
    void WriteSharedString(const std::string& utf8);
    // Raw bytes with the 8-bit length prefix, never converted (the scrambled password).
    void WriteRawString(std::string_view bytes);
    // Starts an object: a class record the first time the class is seen, else its index.
    void WriteObjectTag(std::string_view className, std::uint16_t schema);

    // The bytes written so far (in memory only).
    std::string_view Bytes() const { return {m_bytes->data(), Used()}; }
    std::string TakeBytes();
    // Hands what is left to the sink; false when the sink refused any of the bytes.
    bool Finish();

private:
    std::size_t Used() const { return static_cast<std::size_t>(m_pos - m_bytes->data()); }
    // Makes sure `size` more bytes fit after m_pos.
    void Room(std::size_t size) {
        if (static_cast<std::size_t>(m_end - m_pos) < size)
            MakeRoom(size);
    }
    void MakeRoom(std::size_t size);
    // Little-endian: on such a machine (every one this runs on) one store each.
    template <typename T> void PutLittleEndian(T value) {
        if constexpr (std::endian::native == std::endian::little) {
            std::memcpy(m_pos, &value, sizeof value);
        } else {
            for (std::size_t i = 0; i < sizeof value; ++i)
                m_pos[i] = static_cast<char>((value >> (8 * i)) & 0xFF);
        }
        m_pos += sizeof value;
    }
    void PutWord(std::uint16_t value) { PutLittleEndian(value); }
    void PutDWord(std::uint32_t value) { PutLittleEndian(value); }
    void PutLengthPrefix(std::size_t length);
    std::string_view WriteWideString(std::string_view utf8);
    // Bytes already in the archive's form, as WriteString returned them.
    void WriteEncoded(std::string_view bytes) {
        Room(bytes.size());
        std::memcpy(m_pos, bytes.data(), bytes.size());
        m_pos += bytes.size();
    }

    // In memory: the bytes, sized to the room (m_end), of which m_pos marks the end of
    // what was written. With a sink: the caller's block, emptied into the sink when full.
    std::string m_own;
    std::string* m_bytes = &m_own;
    Sink m_sink;
    bool m_sinkFailed = false;
    char* m_pos = nullptr;
    char* m_end = nullptr;
    struct ClassEntry {
        std::string name;
        std::uint32_t index;
    };
    std::vector<ClassEntry> m_classes;
    std::uint32_t m_nextIndex = 1;
    // The class of the last object: a file is mostly long runs of one class.
    std::size_t m_lastClass = 0;
    // Converted shared texts by their address, in a small table of slots.
    struct SharedText {
        const std::string* text = nullptr;
        std::string source;
        std::string bytes;
    };
    std::vector<SharedText> m_shared;
};

// Reads an archive held in memory. Every read checks the bytes that remain, so no length
// or count in the input is trusted; the first failure sticks and later reads fail too.
class CArchiveReader {
public:
    // The reader keeps a view of the bytes: they must outlive it, so a temporary string is
    // refused at compile time.
    explicit CArchiveReader(std::string_view bytes) : m_bytes(bytes) {}
    explicit CArchiveReader(std::string&&) = delete;

    // The class names the caller accepts in class records; set before reading.
    void SetKnownClasses(std::vector<std::string> names) { m_known = std::move(names); }

    // The fixed-size reads are inline: a file of many records is mostly these.
    bool ReadByte(std::uint8_t& value) {
        if (m_failed || Remaining() < 1)
            return RunShort();
        value = static_cast<std::uint8_t>(m_bytes[m_pos++]);
        return true;
    }
    bool ReadWord(std::uint16_t& value) {
        if (m_failed || Remaining() < 2)
            return RunShort();
        value = static_cast<std::uint16_t>(Byte(0) | (Byte(1) << 8));
        m_pos += 2;
        return true;
    }
    bool ReadDWord(std::uint32_t& value) {
        if (m_failed || Remaining() < 4)
            return RunShort();
        value = Byte(0) | (Byte(1) << 8) | (Byte(2) << 16) | (Byte(3) << 24);
        m_pos += 4;
        return true;
    }
    bool ReadInt32(std::int32_t& value) {
        std::uint32_t raw = 0;
        if (!ReadDWord(raw))
            return false;
        value = static_cast<std::int32_t>(raw);
        return true;
    }
    bool ReadCount(std::uint32_t& count);
    bool ReadString(std::string& utf8);
    // The same without a copy where none is needed: `utf8` views the input itself when the
    // text is plain ASCII, else `scratch`, which it overwrites. Valid until the next read.
    bool ReadString(std::string& scratch, std::string_view& utf8);
    // A string field's bytes as they stand: Windows-1252, or UTF-16LE when `wide`.
    bool ReadStringBytes(std::string_view& bytes, bool& wide);
    // Such bytes as UTF-8: a view of the bytes themselves when they are plain ASCII, else of
    // `scratch`, which it overwrites.
    static std::string_view DecodeString(std::string_view bytes, bool wide, std::string& scratch);
    // Raw bytes. A raw field found in the 16-bit form is converted back to Windows-1252,
    // with '?' for a unit the code page has no byte for.
    bool ReadRawString(std::string& bytes);

    struct ObjectHeader {
        std::string_view className; // one of the known names; valid as long as the reader
        std::uint16_t schema = 0;
    };
    // Reads a tag that must start a new object of a known class (a class record or a class
    // index). Null tags, references to earlier objects and unknown classes are failures.
    bool ReadObjectHeader(ObjectHeader& header);

    bool Failed() const { return m_failed; }
    // Whether the first failure was the input running out, rather than bytes that cannot be
    // right: a reader fed a block at a time then tries again with more.
    bool RanShort() const { return m_failed && m_short; }
    // Offset in the whole input of the first byte that could not be used; the current
    // position otherwise.
    std::size_t Offset() const { return m_failed ? m_failOffset : m_base + m_pos; }
    std::size_t Remaining() const { return m_bytes.size() - m_pos; }

    // Where a unit of reading (a field, a record) began, with what the unit may add to the
    // table of classes, so that it can be read again once more of the input is in.
    struct Mark {
        std::size_t offset = 0;
        std::size_t classes = 0;
        std::uint32_t nextIndex = 1;
    };
    Mark GetMark() const { return {m_base + m_pos, m_classes.size(), m_nextIndex}; }
    // Back to the mark, which must lie in the bytes at hand, with no failure.
    void Rewind(const Mark& mark);
    // Goes on in `bytes`, which hold the input from offset `base` on, from the current
    // position (which they must hold); nothing before it is looked at again.
    void Continue(std::string_view bytes, std::size_t base);

private:
    std::uint32_t Byte(std::size_t i) const {
        return static_cast<std::uint8_t>(m_bytes[m_pos + i]);
    }
    bool Fail();
    bool RunShort();
    bool ReadLength(std::uint64_t& length, bool& wide);
    bool ReadClassIndex(std::uint32_t index, ObjectHeader& header);

    std::string_view m_bytes;
    std::size_t m_base = 0; // offset of m_bytes[0] in the whole input
    std::size_t m_pos = 0;
    bool m_failed = false;
    bool m_short = false;
    std::size_t m_failOffset = 0;
    std::vector<std::string> m_known;
    struct ReadClassEntry {
        std::string_view name; // in m_known
        std::uint16_t schema;
        std::uint32_t index;
    };
    std::vector<ReadClassEntry> m_classes;
    std::uint32_t m_nextIndex = 1;
};
