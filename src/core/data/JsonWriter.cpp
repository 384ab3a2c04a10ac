#include "core/data/JsonWriter.h"

#include <cstdio>

namespace {

void AppendEscapedUnit(std::string& out, unsigned unit) {
    char buffer[8];
    std::snprintf(buffer, sizeof buffer, "\\u%04x", unit);
    out += buffer;
}

// Length of the UTF-8 sequence starting at `i` and its code point, or 0 when the bytes
// there are not a well-formed sequence. Surrogates are accepted here and dealt with by the
// caller.
std::size_t DecodeUtf8(std::string_view text, std::size_t i, std::uint32_t& codePoint) {
    const auto byte = [&](std::size_t k) { return static_cast<unsigned char>(text[k]); };
    const unsigned lead = byte(i);
    std::size_t length = 0;
    std::uint32_t minimum = 0;
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
        codePoint = lead & 0x1F;
        minimum = 0x80;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        codePoint = lead & 0x0F;
        minimum = 0x800;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        codePoint = lead & 0x07;
        minimum = 0x10000;
    } else {
        return 0;
    }
    if (i + length > text.size())
        return 0;
    for (std::size_t k = 1; k < length; ++k) {
        const unsigned next = byte(i + k);
        if ((next & 0xC0) != 0x80)
            return 0;
        codePoint = (codePoint << 6) | (next & 0x3F);
    }
    if (codePoint < minimum || codePoint > 0x10FFFF)
        return 0;
    return length;
}

} // namespace

std::string CJsonWriter::Quote(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 2);
    out += '"';
    std::size_t i = 0;
    while (i < utf8.size()) {
        std::uint32_t codePoint = 0;
        const std::size_t length = DecodeUtf8(utf8, i, codePoint);
        if (length == 0) {
            AppendEscapedUnit(out, 0xFFFD);
            ++i;
            continue;
        }
        if (codePoint >= 0xD800 && codePoint <= 0xDFFF) {
            AppendEscapedUnit(out, codePoint);
        } else if (codePoint < 0x20 || (codePoint >= 0x7F && codePoint <= 0x9F)) {
            // C1 controls too: a terminal may act on them (U+009B starts a command).
            switch (codePoint) {
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                AppendEscapedUnit(out, codePoint);
                break;
            }
        } else if (codePoint == '"') {
            out += "\\\"";
        } else if (codePoint == '\\') {
            out += "\\\\";
        } else {
            out.append(utf8.substr(i, length));
        }
        i += length;
    }
    out += '"';
    return out;
}

void CJsonWriter::NewLine(std::size_t depth) {
    m_text += '\n';
    m_text.append(depth * 2, ' ');
}

void CJsonWriter::BeforeValue() {
    if (m_afterKey) {
        m_afterKey = false;
        return;
    }
    if (m_levels.empty())
        return;
    Level& level = m_levels.back();
    if (!level.empty)
        m_text += ',';
    level.empty = false;
    if (static_cast<int>(m_levels.size()) <= m_inlineDepth)
        NewLine(m_levels.size());
}

void CJsonWriter::Open(char bracket) {
    BeforeValue();
    m_text += bracket;
    m_levels.push_back({bracket == '{', true});
}

void CJsonWriter::Close(char bracket) {
    const bool wasEmpty = m_levels.back().empty;
    m_levels.pop_back();
    if (!wasEmpty && static_cast<int>(m_levels.size()) < m_inlineDepth)
        NewLine(m_levels.size());
    m_text += bracket;
    if (m_levels.empty())
        m_text += '\n';
}

void CJsonWriter::BeginObject() {
    Open('{');
}
void CJsonWriter::EndObject() {
    Close('}');
}
void CJsonWriter::BeginArray() {
    Open('[');
}
void CJsonWriter::EndArray() {
    Close(']');
}

void CJsonWriter::Key(std::string_view name) {
    BeforeValue();
    m_text += Quote(name);
    m_text += static_cast<int>(m_levels.size()) <= m_inlineDepth ? ": " : ":";
    m_afterKey = true;
}

void CJsonWriter::String(std::string_view utf8) {
    BeforeValue();
    m_text += Quote(utf8);
}

void CJsonWriter::Int(std::int64_t value) {
    BeforeValue();
    m_text += std::to_string(value);
}

void CJsonWriter::UInt(std::uint64_t value) {
    BeforeValue();
    m_text += std::to_string(value);
}

void CJsonWriter::Bool(bool value) {
    BeforeValue();
    m_text += value ? "true" : "false";
}

void CJsonWriter::Null() {
    BeforeValue();
    m_text += "null";
}
