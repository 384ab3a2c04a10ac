#include "core/data/Utf8Text.h"

namespace {

constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool IsContinuation(unsigned char c) {
    return (c & 0xC0) == 0x80;
}

} // namespace

std::string ToValidUtf8(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const auto lead = static_cast<unsigned char>(text[i]);
        if (lead < 0x80) {
            out += static_cast<char>(lead);
            ++i;
            continue;
        }
        std::size_t length = 0;
        char32_t code = 0;
        if ((lead & 0xE0) == 0xC0) {
            length = 2;
            code = lead & 0x1F;
        } else if ((lead & 0xF0) == 0xE0) {
            length = 3;
            code = lead & 0x0F;
        } else if ((lead & 0xF8) == 0xF0) {
            length = 4;
            code = lead & 0x07;
        }
        std::size_t have = length == 0 ? 0 : 1;
        while (have > 0 && have < length && i + have < text.size() &&
               IsContinuation(static_cast<unsigned char>(text[i + have]))) {
            code = (code << 6) | (static_cast<unsigned char>(text[i + have]) & 0x3F);
            ++have;
        }
        if (length == 0 || have < length) {
            // A stray byte or a cut sequence: one replacement for what was there.
            out += kReplacement;
            i += have == 0 ? 1 : have;
            continue;
        }
        static constexpr char32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
        const bool valid =
            code >= kMinimum[length] && code <= 0x10FFFF && !(code >= 0xD800 && code <= 0xDFFF);
        if (valid)
            out.append(text.substr(i, length));
        else
            out += kReplacement; // a surrogate, an overlong form or beyond U+10FFFF
        i += length;
    }
    return out;
}
