#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <optional>
#include <string>
#include <string_view>

// The data files' 8-bit text encoding. The five bytes the code page leaves undefined
// (81 8D 8F 90 9D) map to the C1 controls of the same value, so every byte string
// decodes and encodes back unchanged.
namespace windows1252 {

std::string ToUtf8(std::string_view bytes);
// The same, appended to `out`.
void AppendToUtf8(std::string& out, std::string_view bytes);
// The same into memory the caller provides, room for 3 bytes per input byte; returns the
// number of bytes written.
std::size_t DecodeInto(char* out, std::string_view bytes);
// Length of the leading run of plain ASCII, the same bytes in every encoding used here.
// Inline: every text of a file or a save passes through it, most of them short.
inline std::size_t AsciiLength(std::string_view text) {
    std::size_t i = 0;
    // Eight bytes at a time: texts are long runs of ASCII with the odd accent.
    for (; i + 8 <= text.size(); i += 8) {
        std::uint64_t word;
        std::memcpy(&word, text.data() + i, sizeof word);
        if ((word & 0x8080808080808080ULL) != 0)
            break;
    }
    while (i < text.size() && static_cast<unsigned char>(text[i]) < 0x80)
        ++i;
    return i;
}
// Empty when the text holds a character Windows-1252 cannot represent (the caller then
// uses the archive's 16-bit form).
std::optional<std::string> FromUtf8(std::string_view utf8);
// The same, appended to `out`; false (and `out` as it was) when it cannot be represented.
bool AppendFromUtf8(std::string& out, std::string_view utf8);
// The same into memory the caller provides, room for utf8.size() bytes; returns the number
// of bytes written, or std::string_view::npos when it cannot be represented.
std::size_t EncodeInto(char* out, std::string_view utf8);

// UTF-16 code units (little-endian bytes) to UTF-8 and back. Lone surrogates are kept
// (encoded the generalised UTF-8 way) so that a 16-bit text read from a file is written
// back unchanged.
std::string Utf16LeToUtf8(std::string_view bytes);
std::u16string Utf8ToUtf16(std::string_view utf8);

} // namespace windows1252
