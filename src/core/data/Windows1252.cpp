#include "core/data/Windows1252.h"

#include <cstdint>
#include <cstring>

namespace windows1252 {
namespace {

// 0x80..0x9F; the five bytes the code page leaves undefined map to themselves.
constexpr char32_t kHigh[32] = {0x20AC, 0x0081, 0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0x008D, 0x017D, 0x008F,
                                0x0090, 0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0x009D, 0x017E, 0x0178};

constexpr char32_t kReplacement = 0xFFFD;

// -1 when the code point has no Windows-1252 byte.
int CodePointToByte(char32_t cp) {
    if (cp < 0x80 || (cp >= 0xA0 && cp <= 0xFF))
        return static_cast<int>(cp);
    for (int i = 0; i < 32; ++i) {
        if (kHigh[i] == cp)
            return 0x80 + i;
    }
    return -1;
}

void AppendUtf8(std::string& out, char32_t cp) {
    if (cp < 0x80) {
        out += static_cast<char>(cp);
    } else if (cp < 0x800) {
        out += static_cast<char>(0xC0 | (cp >> 6));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        // Also used for lone surrogates, so a 16-bit text read from a file survives.
        out += static_cast<char>(0xE0 | (cp >> 12));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (cp >> 18));
        out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (cp & 0x3F));
    }
}

// Decodes one code point at `pos`. Surrogates encoded on their own are accepted (and
// reported through `surrogate`) because Utf16LeToUtf8 produces them for lone code units.
// Returns false for a malformed sequence; `pos` then moves past one byte.
bool DecodeUtf8(std::string_view s, std::size_t& pos, char32_t& cp, bool& surrogate) {
    surrogate = false;
    const auto b0 = static_cast<unsigned char>(s[pos]);
    if (b0 < 0x80) {
        cp = b0;
        ++pos;
        return true;
    }
    int extra = 0;
    char32_t min = 0;
    if (b0 >= 0xC2 && b0 <= 0xDF) {
        extra = 1;
        cp = b0 & 0x1F;
        min = 0x80;
    } else if (b0 >= 0xE0 && b0 <= 0xEF) {
        extra = 2;
        cp = b0 & 0x0F;
        min = 0x800;
    } else if (b0 >= 0xF0 && b0 <= 0xF4) {
        extra = 3;
        cp = b0 & 0x07;
        min = 0x10000;
    } else {
        ++pos;
        return false;
    }
    if (s.size() - pos <= static_cast<std::size_t>(extra)) {
        ++pos;
        return false;
    }
    for (int i = 1; i <= extra; ++i) {
        const auto b = static_cast<unsigned char>(s[pos + i]);
        if ((b & 0xC0) != 0x80) {
            ++pos;
            return false;
        }
        cp = (cp << 6) | (b & 0x3F);
    }
    if (cp < min || cp > 0x10FFFF) {
        ++pos;
        return false;
    }
    pos += extra + 1;
    surrogate = cp >= 0xD800 && cp <= 0xDFFF;
    return true;
}

} // namespace

namespace {

// The UTF-8 form of each byte from 0x80 up: its length, then up to three bytes.
struct HighByteTable {
    unsigned char bytes[128][4];
    constexpr HighByteTable() : bytes() {
        for (int b = 0x80; b <= 0xFF; ++b) {
            const char32_t cp = b <= 0x9F ? kHigh[b - 0x80] : static_cast<char32_t>(b);
            unsigned char* e = bytes[b - 0x80];
            if (cp < 0x800) {
                e[0] = 2;
                e[1] = static_cast<unsigned char>(0xC0 | (cp >> 6));
                e[2] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            } else {
                e[0] = 3;
                e[1] = static_cast<unsigned char>(0xE0 | (cp >> 12));
                e[2] = static_cast<unsigned char>(0x80 | ((cp >> 6) & 0x3F));
                e[3] = static_cast<unsigned char>(0x80 | (cp & 0x3F));
            }
        }
    }
};
constexpr HighByteTable kHighUtf8;

} // namespace

std::size_t DecodeInto(char* out, std::string_view bytes) {
    char* at = out;
    std::size_t pos = 0;
    while (pos < bytes.size()) {
        // Texts are long runs of ASCII with the odd accent: copy each run whole.
        const std::size_t run = AsciiLength(bytes.substr(pos));
        std::memcpy(at, bytes.data() + pos, run);
        at += run;
        pos += run;
        while (pos < bytes.size() && static_cast<unsigned char>(bytes[pos]) >= 0x80) {
            const unsigned char* e =
                kHighUtf8.bytes[static_cast<unsigned char>(bytes[pos++]) - 0x80];
            std::memcpy(at, e + 1, 3); // always room for three; only e[0] of them count
            at += e[0];
        }
    }
    return static_cast<std::size_t>(at - out);
}

void AppendToUtf8(std::string& out, std::string_view bytes) {
    const std::size_t mark = out.size();
    const std::size_t ascii = AsciiLength(bytes);
    if (ascii == bytes.size()) {
        out.append(bytes);
        return;
    }
    out.resize(mark + ascii + 3 * (bytes.size() - ascii));
    std::memcpy(out.data() + mark, bytes.data(), ascii);
    const std::size_t used = DecodeInto(out.data() + mark + ascii, bytes.substr(ascii));
    out.resize(mark + ascii + used);
}

std::string ToUtf8(std::string_view bytes) {
    std::string out;
    AppendToUtf8(out, bytes);
    return out;
}

bool AppendFromUtf8(std::string& out, std::string_view utf8) {
    const std::size_t mark = out.size();
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const std::size_t run = AsciiLength(utf8.substr(pos));
        out.append(utf8.substr(pos, run));
        pos += run;
        if (pos == utf8.size())
            break;
        char32_t cp = 0;
        bool surrogate = false;
        int byte = -1;
        if (DecodeUtf8(utf8, pos, cp, surrogate) && !surrogate)
            byte = CodePointToByte(cp);
        if (byte < 0) {
            out.resize(mark);
            return false;
        }
        out += static_cast<char>(byte);
    }
    return true;
}

namespace {

constexpr std::uint64_t kHighBits = 0x8080808080808080ULL;

// EncodeInto from input offset `i` on, the first `i` bytes having been plain ASCII.
[[gnu::noinline]] std::size_t EncodeFrom(char* out, std::string_view utf8, std::size_t i) {
    const char* in = utf8.data();
    const std::size_t size = utf8.size();
    std::size_t o = i;
    while (i < size) {
        // ASCII eight bytes at a time, copied as it is checked; the output never runs ahead
        // of the input, so this stays inside the caller's room.
        for (; i + 8 <= size; i += 8, o += 8) {
            std::uint64_t word;
            std::memcpy(&word, in + i, sizeof word);
            if ((word & kHighBits) != 0)
                break;
            std::memcpy(out + o, &word, sizeof word);
        }
        if (i == size)
            break;
        if (static_cast<unsigned char>(in[i]) < 0x80) {
            out[o++] = in[i++];
            continue;
        }
        char32_t cp = 0;
        bool surrogate = false;
        if (!DecodeUtf8(utf8, i, cp, surrogate) || surrogate)
            return std::string_view::npos;
        const int byte = CodePointToByte(cp);
        if (byte < 0)
            return std::string_view::npos;
        out[o++] = static_cast<char>(byte);
    }
    return o;
}

} // namespace

std::size_t EncodeInto(char* out, std::string_view utf8) {
    // Most texts are plain ASCII throughout: copied a word at a time, the last word
    // overlapping the one before it, with the general walk taking over at the first
    // byte that is not.
    const char* in = utf8.data();
    const std::size_t size = utf8.size();
    std::uint64_t word;
    if (size < 8) {
        for (std::size_t i = 0; i < size; ++i) {
            if (static_cast<unsigned char>(in[i]) >= 0x80)
                return EncodeFrom(out, utf8, i);
            out[i] = in[i];
        }
        return size;
    }
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::memcpy(&word, in + i, sizeof word);
        if ((word & kHighBits) != 0)
            return EncodeFrom(out, utf8, i);
        std::memcpy(out + i, &word, sizeof word);
    }
    if (i < size) {
        std::memcpy(&word, in + size - 8, sizeof word);
        if ((word & kHighBits) != 0)
            return EncodeFrom(out, utf8, i);
        std::memcpy(out + size - 8, &word, sizeof word);
    }
    return size;
}

std::optional<std::string> FromUtf8(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    if (!AppendFromUtf8(out, utf8))
        return std::nullopt;
    return out;
}

std::string Utf16LeToUtf8(std::string_view bytes) {
    const std::size_t units = bytes.size() / 2;
    auto unitAt = [&](std::size_t i) {
        return static_cast<char32_t>(static_cast<unsigned char>(bytes[2 * i]) |
                                     (static_cast<unsigned char>(bytes[2 * i + 1]) << 8));
    };
    std::string out;
    out.reserve(units * 2);
    for (std::size_t i = 0; i < units; ++i) {
        const char32_t u = unitAt(i);
        if (u >= 0xD800 && u <= 0xDBFF && i + 1 < units) {
            const char32_t low = unitAt(i + 1);
            if (low >= 0xDC00 && low <= 0xDFFF) {
                AppendUtf8(out, 0x10000 + ((u - 0xD800) << 10) + (low - 0xDC00));
                ++i;
                continue;
            }
        }
        AppendUtf8(out, u);
    }
    return out;
}

std::u16string Utf8ToUtf16(std::string_view utf8) {
    std::u16string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        char32_t cp = 0;
        bool surrogate = false;
        // Bytes that are not UTF-8 become U+FFFD, one per byte: the text stays readable
        // and nothing after the bad byte is lost.
        if (!DecodeUtf8(utf8, pos, cp, surrogate))
            cp = kReplacement;
        if (cp >= 0x10000) {
            cp -= 0x10000;
            out += static_cast<char16_t>(0xD800 + (cp >> 10));
            out += static_cast<char16_t>(0xDC00 + (cp & 0x3FF));
        } else {
            out += static_cast<char16_t>(cp);
        }
    }
    return out;
}

} // namespace windows1252
