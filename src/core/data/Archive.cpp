#include "core/data/Archive.h"

#include "core/data/NameKey.h"
#include "core/data/Windows1252.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kLongTag = 0x7FFF;
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint32_t kLongClassBit = 0x80000000u;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::size_t kMaxClassNameLength = 64; // names must be shorter than this

} // namespace

// ---- writer ----

namespace {

// The block a sink-bound writer fills before handing it on: small enough to stay in the
// processor's cache, large enough that the hand-overs cost nothing.
constexpr std::size_t kBlockSize = std::size_t{1} << 20;
// The most a length prefix takes.
constexpr std::size_t kMaxPrefix = 7;

std::size_t PrefixSize(std::size_t length) {
    return length < 0xFF ? 1 : length < 0xFFFE ? 3 : kMaxPrefix;
}

} // namespace

CArchiveWriter::CArchiveWriter() : m_pos(m_own.data()), m_end(m_pos) {}

CArchiveWriter::CArchiveWriter(std::string buffer) : m_own(std::move(buffer)) {
    m_own.clear();
    m_pos = m_end = m_own.data();
}

CArchiveWriter::CArchiveWriter(std::string& block, Sink sink)
    : m_bytes(&block), m_sink(std::move(sink)) {
    if (block.size() < kBlockSize)
        block.resize(kBlockSize);
    m_pos = block.data();
    m_end = block.data() + block.size();
}

void CArchiveWriter::Reserve(std::size_t bytes) {
    if (!m_sink && m_bytes->size() < bytes) {
        const std::size_t used = Used();
        m_bytes->resize(bytes);
        m_pos = m_bytes->data() + used;
        m_end = m_bytes->data() + m_bytes->size();
    }
}

void CArchiveWriter::MakeRoom(std::size_t size) {
    std::size_t used = Used();
    if (m_sink) {
        if (used != 0 && !m_sinkFailed && !m_sink(std::string_view(m_bytes->data(), used)))
            m_sinkFailed = true;
        used = 0;
        if (m_bytes->size() < size)
            m_bytes->resize(size); // one text larger than the block
    } else {
        m_bytes->resize(std::max({used + size, 2 * m_bytes->size(), std::size_t{256}}));
    }
    m_pos = m_bytes->data() + used;
    m_end = m_bytes->data() + m_bytes->size();
}

std::string CArchiveWriter::TakeBytes() {
    if (m_sink)
        return {};
    m_own.resize(Used());
    std::string bytes = std::move(m_own);
    m_own.clear();
    m_pos = m_end = m_own.data();
    return bytes;
}

bool CArchiveWriter::Finish() {
    if (m_sink && Used() != 0) {
        if (!m_sinkFailed && !m_sink(std::string_view(m_bytes->data(), Used())))
            m_sinkFailed = true;
        m_pos = m_bytes->data();
    }
    return !m_sinkFailed;
}

void CArchiveWriter::WriteCount(std::size_t count) {
    Room(6);
    if (count < 0xFFFF) {
        PutWord(static_cast<std::uint16_t>(count));
    } else {
        PutWord(0xFFFF);
        PutDWord(static_cast<std::uint32_t>(count));
    }
}

void CArchiveWriter::PutLengthPrefix(std::size_t length) {
    if (length < 0xFF) {
        *m_pos++ = static_cast<char>(length);
    } else if (length < 0xFFFE) {
        *m_pos++ = static_cast<char>(0xFF);
        PutWord(static_cast<std::uint16_t>(length));
    } else {
        *m_pos++ = static_cast<char>(0xFF);
        PutWord(0xFFFF);
        PutDWord(static_cast<std::uint32_t>(length));
    }
}

std::string_view CArchiveWriter::WriteString(std::string_view utf8) {
    // Converted straight into place behind room for the prefix its UTF-8 length needs: a
    // text never has more bytes on disk than in memory, though its prefix may then be
    // shorter, and the text moves up to meet it.
    Room(kMaxPrefix + utf8.size());
    char* const start = m_pos;
    const std::size_t room = PrefixSize(utf8.size());
    const std::size_t length = windows1252::EncodeInto(m_pos + room, utf8);
    if (length == std::string_view::npos)
        return WriteWideString(utf8);
    if (const std::size_t prefix = PrefixSize(length); prefix != room)
        std::memmove(m_pos + prefix, m_pos + room, length);
    PutLengthPrefix(length);
    m_pos += length;
    return {start, static_cast<std::size_t>(m_pos - start)};
}

std::string_view CArchiveWriter::WriteWideString(std::string_view utf8) {
    // Characters the 8-bit code page cannot hold: the 16-bit form keeps them all.
    const std::u16string wide = windows1252::Utf8ToUtf16(utf8);
    Room(3 + kMaxPrefix + 2 * wide.size());
    char* const start = m_pos;
    *m_pos++ = static_cast<char>(0xFF);
    PutWord(kWideMarker);
    PutLengthPrefix(wide.size());
    for (char16_t unit : wide)
        PutWord(static_cast<std::uint16_t>(unit));
    return {start, static_cast<std::size_t>(m_pos - start)};
}

void CArchiveWriter::WriteRawString(std::string_view bytes) {
    Room(kMaxPrefix + bytes.size());
    PutLengthPrefix(bytes.size());
    if (!bytes.empty())
        std::memcpy(m_pos, bytes.data(), bytes.size());
    m_pos += bytes.size();
}

void CArchiveWriter::WriteSharedString(const std::string& utf8) {
    constexpr std::size_t kSlots = 256;
    if (m_shared.empty())
        m_shared.resize(kSlots);
    const auto address = reinterpret_cast<std::uintptr_t>(&utf8);
    SharedText& slot = m_shared[(address >> 4 ^ address >> 12) % kSlots];
    // The address finds the slot; the text itself decides, so a text that changed or a new
    // one at a freed address is never taken for another.
    if (slot.text == &utf8 && SameText(slot.source, utf8)) {
        WriteEncoded(slot.bytes);
        return;
    }
    slot.bytes.assign(WriteString(utf8));
    slot.text = &utf8;
    slot.source = utf8;
}

void CArchiveWriter::WriteObjectTag(std::string_view className, std::uint16_t schema) {
    auto it = m_lastClass < m_classes.size() && SameText(m_classes[m_lastClass].name, className)
                  ? m_classes.begin() + static_cast<std::ptrdiff_t>(m_lastClass)
                  : std::find_if(m_classes.begin(), m_classes.end(),
                                 [&](const ClassEntry& e) { return e.name == className; });
    Room(6 + className.size());
    if (it == m_classes.end()) {
        PutWord(kNewClassTag);
        PutWord(schema);
        PutWord(static_cast<std::uint16_t>(className.size()));
        std::memcpy(m_pos, className.data(), className.size());
        m_pos += className.size();
        m_lastClass = m_classes.size();
        m_classes.push_back({std::string(className), m_nextIndex++});
    } else {
        m_lastClass = static_cast<std::size_t>(it - m_classes.begin());
        if (it->index < kLongTag) {
            PutWord(static_cast<std::uint16_t>(kClassTagBit | it->index));
        } else {
            PutWord(kLongTag);
            PutDWord(kLongClassBit | it->index);
        }
    }
    ++m_nextIndex; // the object itself
}

// ---- reader ----

bool CArchiveReader::Fail() {
    if (!m_failed) {
        m_failed = true;
        m_failOffset = m_base + m_pos;
    }
    return false;
}

bool CArchiveReader::RunShort() {
    if (!m_failed)
        m_short = true;
    return Fail();
}

void CArchiveReader::Rewind(const Mark& mark) {
    m_pos = mark.offset - m_base;
    m_classes.resize(mark.classes);
    m_nextIndex = mark.nextIndex;
    m_failed = false;
    m_short = false;
}

void CArchiveReader::Continue(std::string_view bytes, std::size_t base) {
    m_pos = m_base + m_pos - base;
    m_bytes = bytes;
    m_base = base;
}

bool CArchiveReader::ReadCount(std::uint32_t& count) {
    std::uint16_t word = 0;
    if (!ReadWord(word))
        return false;
    if (word != 0xFFFF) {
        count = word;
        return true;
    }
    return ReadDWord(count);
}

bool CArchiveReader::ReadLength(std::uint64_t& length, bool& wide) {
    wide = false;
    for (;;) {
        std::uint8_t first = 0;
        if (!ReadByte(first))
            return false;
        if (first < 0xFF) {
            length = first;
            return true;
        }
        std::uint16_t word = 0;
        if (!ReadWord(word))
            return false;
        if (word == kWideMarker && !wide) {
            // 16-bit text: the length prefix follows again and counts 16-bit units.
            wide = true;
            continue;
        }
        if (word != 0xFFFF) {
            length = word;
            return true;
        }
        std::uint32_t dword = 0;
        if (!ReadDWord(dword))
            return false;
        length = dword;
        return true;
    }
}

bool CArchiveReader::ReadStringBytes(std::string_view& bytes, bool& wide) {
    const std::size_t start = m_pos;
    std::uint64_t length = 0;
    if (!ReadLength(length, wide))
        return false;
    const std::uint64_t size = wide ? length * 2 : length;
    // Checked before anything is allocated: no length in the file is trusted.
    if (size > Remaining()) {
        m_pos = start;
        return RunShort();
    }
    bytes = m_bytes.substr(m_pos, static_cast<std::size_t>(size));
    m_pos += static_cast<std::size_t>(size);
    return true;
}

bool CArchiveReader::ReadString(std::string& utf8) {
    std::string_view text;
    bool wide = false;
    if (!ReadStringBytes(text, wide))
        return false;
    utf8 = wide ? windows1252::Utf16LeToUtf8(text) : windows1252::ToUtf8(text);
    return true;
}

bool CArchiveReader::ReadString(std::string& scratch, std::string_view& utf8) {
    std::string_view text;
    bool wide = false;
    if (!ReadStringBytes(text, wide))
        return false;
    utf8 = DecodeString(text, wide, scratch);
    return true;
}

std::string_view CArchiveReader::DecodeString(std::string_view bytes, bool wide,
                                              std::string& scratch) {
    if (!wide && windows1252::AsciiLength(bytes) == bytes.size())
        return bytes;
    scratch.clear();
    if (wide)
        scratch = windows1252::Utf16LeToUtf8(bytes);
    else
        windows1252::AppendToUtf8(scratch, bytes);
    return scratch;
}

bool CArchiveReader::ReadRawString(std::string& bytes) {
    std::string_view text;
    bool wide = false;
    if (!ReadStringBytes(text, wide))
        return false;
    if (!wide) {
        bytes.assign(text);
        return true;
    }
    // A raw field stored as 16-bit text is brought back to the 8-bit code page it came
    // from; a unit the code page has no byte for becomes '?', as the system conversion does.
    bytes.clear();
    bytes.reserve(text.size() / 2);
    const std::string utf8 = windows1252::Utf16LeToUtf8(text);
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        // Walk one UTF-8 sequence at a time (the converter always produces whole ones).
        const auto lead = static_cast<unsigned char>(utf8[pos]);
        const std::size_t len = lead < 0x80 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        const auto narrow = windows1252::FromUtf8(std::string_view(utf8).substr(pos, len));
        bytes += narrow ? *narrow : std::string("?");
        pos += len;
    }
    return true;
}

bool CArchiveReader::ReadClassIndex(std::uint32_t index, ObjectHeader& header) {
    // Index 0, one not given out yet, or the number of an object: not a class.
    auto it = std::find_if(m_classes.begin(), m_classes.end(),
                           [&](const ReadClassEntry& e) { return e.index == index; });
    if (index == 0 || index >= m_nextIndex || it == m_classes.end())
        return false;
    header.className = it->name;
    header.schema = it->schema;
    return true;
}

bool CArchiveReader::ReadObjectHeader(ObjectHeader& header) {
    const std::size_t start = m_pos;
    auto damage = [&] {
        m_pos = start;
        return Fail();
    };
    std::uint16_t tag = 0;
    if (!ReadWord(tag))
        return false;

    if (tag == kNewClassTag) {
        std::uint16_t schema = 0;
        std::uint16_t nameLength = 0;
        if (!ReadWord(schema) || !ReadWord(nameLength))
            return false;
        if (nameLength >= kMaxClassNameLength)
            return damage();
        if (nameLength > Remaining())
            return RunShort();
        const std::string_view name = m_bytes.substr(m_pos, nameLength);
        const auto known = std::find(m_known.begin(), m_known.end(), name);
        if (known == m_known.end())
            return damage();
        m_pos += nameLength;
        m_classes.push_back({*known, schema, m_nextIndex++});
        header.className = *known;
        header.schema = schema;
    } else if (tag == kLongTag) {
        std::uint32_t value = 0;
        if (!ReadDWord(value))
            return false;
        // Without the class bit it is a reference to an earlier object: never valid here.
        if ((value & kLongClassBit) == 0 || !ReadClassIndex(value & ~kLongClassBit, header))
            return damage();
    } else if ((tag & kClassTagBit) != 0) {
        if (!ReadClassIndex(tag & ~kClassTagBit, header))
            return damage();
    } else {
        // A null object or a reference to an earlier one, where a new object must follow.
        return damage();
    }
    ++m_nextIndex; // the object itself
    return true;
}
