#pragma once

#include <cstdint>
#include <string>
#include <string_view>

class FileOps;
struct FileResult;

// The element kinds of a report page (16-bit values).
enum HtmlElement : std::uint16_t {
    Paragraph = 0,
    Bold = 1,
    Italic = 2,
    Underline = 3,
    Big = 4,
    Rule = 5,
    Link = 6,
    Text = 7,
    Heading1 = 8,
    Heading2 = 9,
    Heading3 = 10,
    Heading4 = 11,
    Heading5 = 12,
    Heading6 = 13,
    Spacer = 14,
};

// Accumulates the body of a report page and writes the finished page. Texts go in as
// they are: callers escape user text with EscapeHtml first.
//
// The page is kept as the file's bytes from the start (head, body so far, closing tags, each
// line feed already CR LF), so a report of any size is written into its buffer once and
// handed to the file without another copy.
class CHtmlDocument {
public:
    CHtmlDocument();

    // Appends one element; `linkText` is used by Link only. An unknown kind adds nothing
    // (beyond the centring tags when `centre` is set).
    void AddElement(std::uint16_t kind, std::string_view text = {}, std::string_view linkText = {},
                    bool centre = false);
    void SetTitle(std::string title);
    void Reserve(std::size_t bytes) { m_file.reserve(bytes + m_file.size()); }

    // The page with line feeds as they are.
    std::string BuildHtml() const;
    // The bytes of the file: the page with every line feed written as CR LF.
    const std::string& FileBytes() const { return m_file; }
    std::string BuildFileBytes() const { return m_file; }
    // The same, taken out of the document (which is left empty).
    std::string TakeFileBytes() { return std::move(m_file); }
    // Replaces the file at `path` with the page; a failure names the path and the cause
    // and leaves any old file whole.
    FileResult WriteFile(const std::string& path, FileOps* ops = nullptr) const;

    const std::string& GetTitle() const { return m_strTitle; }

private:
    std::size_t HeadSize() const;

    std::string m_file;
    std::string m_strTitle;
};

// User text made safe for the page: & < > " as named entities and every character above
// U+007F as a decimal character reference, so the file is plain ASCII. Bytes that are not
// UTF-8 become &#65533;.
std::string EscapeHtml(std::string_view utf8);
void AppendEscapedHtml(std::string& out, std::string_view utf8);

// Line feeds as CR LF, all other bytes unchanged.
std::string ToCrLf(std::string_view text);
