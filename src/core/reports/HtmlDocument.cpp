#include "core/reports/HtmlDocument.h"

#include "core/platform/FileSystem.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace {

constexpr std::string_view kHeadStart = "<HTML>\r\n<HEAD>\r\n<TITLE>";
constexpr std::string_view kHeadEnd = "</TITLE></HEAD>\r\n<BODY><PRE>";
constexpr std::string_view kTail = "</PRE></BODY></HTML>";

char* Put(char* at, std::string_view text) {
    std::memcpy(at, text.data(), text.size());
    return at + text.size();
}

// AppendCrLf written at `at`, which has room for twice the text; `start` is where the
// written bytes begin (the byte before `at` decides whether a line feed needs its CR).
char* PutCrLf(char* at, std::string_view text, const char* start) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t lineFeed = text.find('\n', from);
        if (lineFeed == std::string_view::npos)
            return Put(at, text.substr(from));
        at = Put(at, text.substr(from, lineFeed - from));
        if (at == start || at[-1] != '\r')
            *at++ = '\r';
        *at++ = '\n';
        from = lineFeed + 1;
    }
}

std::size_t LineFeeds(std::string_view text) {
    std::size_t count = 0;
    for (std::size_t at = text.find('\n'); at != std::string_view::npos;
         at = text.find('\n', at + 1))
        ++count;
    return count;
}

// Every line ends in exactly one CR LF: a line feed that already follows a carriage return
// (notes keep their lines so) gets no second one.
void AppendCrLf(std::string& out, std::string_view text) {
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = text.find('\n', from);
        if (at == std::string_view::npos) {
            out.append(text.substr(from));
            return;
        }
        out.append(text.substr(from, at - from));
        if (out.empty() || out.back() != '\r')
            out += '\r';
        out += '\n';
        from = at + 1;
    }
}

} // namespace

CHtmlDocument::CHtmlDocument(Sink sink) : m_sink(std::move(sink)) {
    m_file.append(kHeadStart).append(kHeadEnd);
    m_used = m_file.size();
}

std::size_t CHtmlDocument::HeadSize() const {
    return kHeadStart.size() + m_strTitle.size() + LineFeeds(m_strTitle) + kHeadEnd.size();
}

void CHtmlDocument::Grow(std::size_t bytes) {
    if (m_sink && m_used > kPiece) {
        // The last byte stays: a line feed added next looks at it to end its line once.
        m_sink(std::string_view(m_file.data(), m_used - 1));
        m_file[0] = m_file[m_used - 1];
        m_used = 1;
    }
    // Room already made is kept (never cleared again), so each byte is cleared once.
    m_file.resize(std::max(m_file.size(), m_used + std::max(bytes, kSlack)));
}

void CHtmlDocument::Finish() {
    if (!m_sink)
        return;
    Close();
    m_sink(m_file);
    m_file.clear();
    m_used = 0;
}

void CHtmlDocument::Close() {
    Trim();
    m_file += kTail;
}

void CHtmlDocument::SetTitle(std::string title) {
    std::string head;
    head.append(kHeadStart);
    AppendCrLf(head, title);
    head.append(kHeadEnd);
    Trim();
    m_file.replace(0, HeadSize(), head);
    m_used = m_file.size();
    m_strTitle = std::move(title);
}

void CHtmlDocument::AddElement(std::uint16_t kind, std::string_view text, std::string_view linkText,
                               bool centre) {
    // Written in place like the lines: each line feed may gain a CR, and no element has
    // more than this of tags around its texts.
    constexpr std::size_t kTags = 64;
    char* at = Room(2 * (text.size() + linkText.size()) + kTags);
    const char* const start = m_file.data();
    const auto wrap = [&](std::string_view open, std::string_view close) {
        at = Put(at, open);
        at = PutCrLf(at, text, start);
        at = Put(at, close);
    };
    if (centre)
        at = Put(at, "<CENTER>");
    switch (kind) {
    case Paragraph:
        at = Put(at, "<P>");
        break;
    case Bold:
        wrap("<B>", "</B>");
        break;
    case Italic:
        wrap("<I>", "</I>");
        break;
    case Underline:
        wrap("<U>", "</U>");
        break;
    case Big:
        wrap("<BIG>", "</BIG>");
        break;
    case Rule:
        at = Put(at, "<HR>");
        break;
    case Link:
        at = Put(at, "<A HREF=");
        at = PutCrLf(at, text, start);
        at = Put(at, ">");
        at = PutCrLf(at, linkText, start);
        at = Put(at, "</A>");
        break;
    case Text:
        at = PutCrLf(at, text, start);
        break;
    case Heading1:
        wrap("<H1>", "</H1>");
        break;
    case Heading2:
        wrap("<H2>", "</H2>");
        break;
    case Heading3:
        wrap("<H3>", "</H3>");
        break;
    case Heading4:
        wrap("<H4>", "</H4>");
        break;
    case Heading5:
        wrap("<H5>", "</H5>");
        break;
    case Heading6:
        wrap("<H6>", "</H6>");
        break;
    case Spacer:
        at = Put(at, "<p>&nbsp;</p>");
        break;
    default:
        break;
    }
    if (centre)
        at = Put(at, "</CENTER>");
    Commit(at);
}

std::string CHtmlDocument::BuildHtml() const {
    // Every line feed of the file got its CR here, so taking one CR off each gives the page.
    const std::string_view file(m_file.data(), m_used);
    std::string html;
    html.reserve(m_used + kTail.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = file.find("\r\n", from);
        if (at == std::string::npos) {
            html.append(file.substr(from));
            html.append(kTail);
            return html;
        }
        html.append(file.substr(from, at - from));
        html += '\n';
        from = at + 2;
    }
}

std::string CHtmlDocument::TakeFileBytes() {
    Close();
    m_used = 0;
    return std::move(m_file);
}

FileResult CHtmlDocument::WriteFile(const std::string& path, FileOps* ops) {
    Close();
    const FileResult result =
        ReplaceFileDurably(path, m_file, ops ? *ops : SystemFileOps(), NewFileMode::ForPeople);
    // The closing tags come off again, so the page may still grow.
    m_file.resize(m_used);
    return result;
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + LineFeeds(text));
    AppendCrLf(out, text);
    return out;
}

namespace {

// Bytes that cannot go into the page as they are: the markup characters and all of UTF-8
// beyond ASCII.
constexpr auto kNeedsEscape = [] {
    std::array<bool, 256> table{};
    for (std::size_t c = 0x80; c < 256; ++c)
        table[c] = true;
    table['&'] = table['<'] = table['>'] = table['"'] = true;
    return table;
}();

char* PutReference(char* out, std::uint32_t codePoint) {
    char digits[10];
    std::size_t count = 0;
    do {
        digits[count++] = static_cast<char>('0' + codePoint % 10);
        codePoint /= 10;
    } while (codePoint != 0);
    *out++ = '&';
    *out++ = '#';
    while (count > 0)
        *out++ = digits[--count];
    *out++ = ';';
    return out;
}

char* PutText(char* out, std::string_view text) {
    std::memcpy(out, text.data(), text.size());
    return out + text.size();
}

} // namespace

char* PutEscapedHtml(char* out, std::string_view utf8) {
    const auto* bytes = reinterpret_cast<const unsigned char*>(utf8.data());
    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        // Plain runs are copied whole: most report text is ASCII without markup.
        std::size_t run = i;
        while (run < size && !kNeedsEscape[bytes[run]])
            ++run;
        std::memcpy(out, bytes + i, run - i);
        out += run - i;
        i = run;
        if (i >= size)
            break;
        const unsigned char lead = bytes[i];
        switch (lead) {
        case '&':
            out = PutText(out, "&amp;");
            ++i;
            continue;
        case '<':
            out = PutText(out, "&lt;");
            ++i;
            continue;
        case '>':
            out = PutText(out, "&gt;");
            ++i;
            continue;
        case '"':
            out = PutText(out, "&quot;");
            ++i;
            continue;
        default:
            break;
        }
        // A UTF-8 sequence: decoded strictly (no overlong forms, no surrogates).
        std::size_t length = 0;
        std::uint32_t codePoint = 0;
        std::uint32_t minimum = 0;
        if (lead >= 0xC2 && lead <= 0xDF) {
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
        }
        bool valid = length != 0 && i + length <= size;
        for (std::size_t k = 1; valid && k < length; ++k) {
            const unsigned char c = bytes[i + k];
            if ((c & 0xC0) != 0x80)
                valid = false;
            else
                codePoint = (codePoint << 6) | (c & 0x3F);
        }
        if (valid && (codePoint < minimum || codePoint > 0x10FFFF ||
                      (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
            valid = false;
        if (!valid) {
            out = PutReference(out, 0xFFFD);
            ++i;
            continue;
        }
        out = PutReference(out, codePoint);
        i += length;
    }
    return out;
}

void AppendEscapedHtml(std::string& out, std::string_view utf8) {
    const std::size_t size = out.size();
    out.resize(size + utf8.size() * kEscapedHtmlGrowth);
    out.resize(static_cast<std::size_t>(PutEscapedHtml(out.data() + size, utf8) - out.data()));
}

std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendEscapedHtml(out, utf8);
    return out;
}
