#include "core/reports/HtmlDocument.h"

#include "core/platform/FileSystem.h"

#include <cstring>

namespace {

constexpr std::string_view kHeadStart = "<HTML>\r\n<HEAD>\r\n<TITLE>";
constexpr std::string_view kHeadEnd = "</TITLE></HEAD>\r\n<BODY><PRE>";
constexpr std::string_view kTail = "</PRE></BODY></HTML>";

void AppendCrLf(std::string& out, std::string_view text);

void Wrap(std::string& out, const char* open, std::string_view text, const char* close) {
    out += open;
    AppendCrLf(out, text);
    out += close;
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

CHtmlDocument::CHtmlDocument() {
    m_file.append(kHeadStart).append(kHeadEnd).append(kTail);
}

std::size_t CHtmlDocument::HeadSize() const {
    return kHeadStart.size() + m_strTitle.size() + LineFeeds(m_strTitle) + kHeadEnd.size();
}

void CHtmlDocument::SetTitle(std::string title) {
    std::string head;
    head.append(kHeadStart);
    AppendCrLf(head, title);
    head.append(kHeadEnd);
    m_file.replace(0, HeadSize(), head);
    m_strTitle = std::move(title);
}

void CHtmlDocument::AddElement(std::uint16_t kind, std::string_view text, std::string_view linkText,
                               bool centre) {
    // The closing tags stay at the end: taken off while the element goes in.
    std::string& out = m_file;
    out.resize(out.size() - kTail.size());
    if (centre)
        out += "<CENTER>";
    switch (kind) {
    case Paragraph:
        out += "<P>";
        break;
    case Bold:
        Wrap(out, "<B>", text, "</B>");
        break;
    case Italic:
        Wrap(out, "<I>", text, "</I>");
        break;
    case Underline:
        Wrap(out, "<U>", text, "</U>");
        break;
    case Big:
        Wrap(out, "<BIG>", text, "</BIG>");
        break;
    case Rule:
        out += "<HR>";
        break;
    case Link:
        out += "<A HREF=";
        AppendCrLf(out, text);
        out += '>';
        AppendCrLf(out, linkText);
        out += "</A>";
        break;
    case Text:
        AppendCrLf(out, text);
        break;
    case Heading1:
        Wrap(out, "<H1>", text, "</H1>");
        break;
    case Heading2:
        Wrap(out, "<H2>", text, "</H2>");
        break;
    case Heading3:
        Wrap(out, "<H3>", text, "</H3>");
        break;
    case Heading4:
        Wrap(out, "<H4>", text, "</H4>");
        break;
    case Heading5:
        Wrap(out, "<H5>", text, "</H5>");
        break;
    case Heading6:
        Wrap(out, "<H6>", text, "</H6>");
        break;
    case Spacer:
        out += "<p>&nbsp;</p>";
        break;
    default:
        break;
    }
    if (centre)
        out += "</CENTER>";
    out += kTail;
}

std::string CHtmlDocument::BuildHtml() const {
    // Every line feed of the file got its CR here, so taking one CR off each gives the page.
    std::string html;
    html.reserve(m_file.size());
    std::size_t from = 0;
    for (;;) {
        const std::size_t at = m_file.find("\r\n", from);
        if (at == std::string::npos) {
            html.append(m_file, from);
            return html;
        }
        html.append(m_file, from, at - from);
        html += '\n';
        from = at + 2;
    }
}

FileResult CHtmlDocument::WriteFile(const std::string& path, FileOps* ops) const {
    return ReplaceFileDurably(path, m_file, ops ? *ops : SystemFileOps(), NewFileMode::ForPeople);
}

std::string ToCrLf(std::string_view text) {
    std::string out;
    out.reserve(text.size() + LineFeeds(text));
    AppendCrLf(out, text);
    return out;
}

void AppendEscapedHtml(std::string& out, std::string_view utf8) {
    auto reference = [&out](std::uint32_t codePoint) {
        out += "&#";
        out += std::to_string(codePoint);
        out += ';';
    };
    const std::size_t size = utf8.size();
    std::size_t i = 0;
    while (i < size) {
        // Plain runs are copied whole: most report text is ASCII without markup.
        std::size_t run = i;
        while (run < size) {
            const auto c = static_cast<unsigned char>(utf8[run]);
            if (c >= 0x80 || c == '&' || c == '<' || c == '>' || c == '"')
                break;
            ++run;
        }
        out.append(utf8.substr(i, run - i));
        i = run;
        if (i >= size)
            break;
        const auto lead = static_cast<unsigned char>(utf8[i]);
        switch (lead) {
        case '&':
            out += "&amp;";
            ++i;
            continue;
        case '<':
            out += "&lt;";
            ++i;
            continue;
        case '>':
            out += "&gt;";
            ++i;
            continue;
        case '"':
            out += "&quot;";
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
            const auto c = static_cast<unsigned char>(utf8[i + k]);
            if ((c & 0xC0) != 0x80)
                valid = false;
            else
                codePoint = (codePoint << 6) | (c & 0x3F);
        }
        if (valid && (codePoint < minimum || codePoint > 0x10FFFF ||
                      (codePoint >= 0xD800 && codePoint <= 0xDFFF)))
            valid = false;
        if (!valid) {
            reference(0xFFFD);
            ++i;
            continue;
        }
        reference(codePoint);
        i += length;
    }
}

std::string EscapeHtml(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size());
    AppendEscapedHtml(out, utf8);
    return out;
}
