#include "core/data/Archive.h"

#include "core/data/Windows1252.h"

#include <algorithm>

namespace {

constexpr std::uint16_t kNewClassTag = 0xFFFF;
constexpr std::uint16_t kLongTag = 0x7FFF;
constexpr std::uint16_t kClassTagBit = 0x8000;
constexpr std::uint32_t kLongClassBit = 0x80000000u;
constexpr std::uint16_t kWideMarker = 0xFFFE;
constexpr std::size_t kMaxClassNameLength = 64; // names must be shorter than this

} // namespace

// ---- writer ----

void CArchiveWriter::WriteCount(std::size_t count) {
    if (count < 0xFFFF) {
        WriteWord(static_cast<std::uint16_t>(count));
    } else {
        WriteWord(0xFFFF);
        WriteDWord(static_cast<std::uint32_t>(count));
    }
}

void CArchiveWriter::WriteLengthPrefix(std::size_t length) {
    if (length < 0xFF) {
        WriteByte(static_cast<std::uint8_t>(length));
    } else if (length < 0xFFFE) {
        WriteByte(0xFF);
        WriteWord(static_cast<std::uint16_t>(length));
    } else {
        WriteByte(0xFF);
        WriteWord(0xFFFF);
        WriteDWord(static_cast<std::uint32_t>(length));
    }
}

void CArchiveWriter::WriteString(std::string_view utf8) {
    if (windows1252::AsciiLength(utf8) == utf8.size()) {
        WriteRawString(utf8);
        return;
    }
    // Other texts convert to as many bytes as they have code points; write a prefix for
    // that many and the converted bytes straight after it, with no temporary string.
    std::size_t codePoints = 0;
    for (char c : utf8)
        codePoints += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    const std::size_t mark = m_bytes.size();
    WriteLengthPrefix(codePoints);
    const std::size_t textStart = m_bytes.size();
    if (windows1252::AppendFromUtf8(m_bytes, utf8) && m_bytes.size() - textStart == codePoints)
        return;
    m_bytes.resize(mark);
    // Characters the 8-bit code page cannot hold: the 16-bit form keeps them all.
    const std::u16string wide = windows1252::Utf8ToUtf16(utf8);
    WriteByte(0xFF);
    WriteWord(kWideMarker);
    WriteLengthPrefix(wide.size());
    for (char16_t unit : wide)
        WriteWord(static_cast<std::uint16_t>(unit));
}

void CArchiveWriter::WriteSharedString(const std::string& utf8) {
    constexpr std::size_t kSlots = 256;
    if (m_shared.empty())
        m_shared.resize(kSlots);
    const auto address = reinterpret_cast<std::uintptr_t>(&utf8);
    SharedText& slot = m_shared[(address >> 4 ^ address >> 12) % kSlots];
    // The address finds the slot; the text itself decides, so a text that changed or a new
    // one at a freed address is never taken for another.
    if (slot.text == &utf8 && slot.source == utf8) {
        m_bytes.append(slot.bytes);
        return;
    }
    const std::size_t mark = m_bytes.size();
    WriteString(utf8);
    slot.text = &utf8;
    slot.source = utf8;
    slot.bytes.assign(m_bytes, mark, std::string::npos);
}

void CArchiveWriter::WriteObjectTag(std::string_view className, std::uint16_t schema) {
    if (m_lastClass < m_classes.size() && m_classes[m_lastClass].name == className) {
        WriteWord(m_lastClassTag);
        ++m_nextIndex;
        return;
    }
    m_lastClass = kNoClass;
    auto it = std::find_if(m_classes.begin(), m_classes.end(),
                           [&](const ClassEntry& e) { return e.name == className; });
    if (it == m_classes.end()) {
        WriteWord(kNewClassTag);
        WriteWord(schema);
        WriteWord(static_cast<std::uint16_t>(className.size()));
        m_bytes.append(className);
        m_classes.push_back({std::string(className), m_nextIndex++});
    } else if (it->index < kLongTag) {
        m_lastClassTag = static_cast<std::uint16_t>(kClassTagBit | it->index);
        m_lastClass = static_cast<std::size_t>(it - m_classes.begin());
        WriteWord(m_lastClassTag);
    } else {
        WriteWord(kLongTag);
        WriteDWord(kLongClassBit | it->index);
    }
    ++m_nextIndex; // the object itself
}

// ---- reader ----

bool CArchiveReader::Fail() {
    if (!m_failed) {
        m_failed = true;
        m_failOffset = m_pos;
    }
    return false;
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
        return Fail();
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
    if (!wide && windows1252::AsciiLength(text) == text.size()) {
        utf8 = text;
        return true;
    }
    scratch.clear();
    if (wide)
        scratch = windows1252::Utf16LeToUtf8(text);
    else
        windows1252::AppendToUtf8(scratch, text);
    utf8 = scratch;
    return true;
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
            return Fail();
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
