#pragma once

#include <cstdint>
#include <functional>
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
// The page is kept as the file's bytes from the start (head, body so far, each line feed
// already CR LF), so a report of any size is written into its buffer once and handed to
// the file without another copy. The closing tags are added when the bytes are taken.
//
// A document given a sink hands the page to it in pieces as it is written (a megabyte or
// so at a time, the rest on Finish) and never holds it whole: that is how a large report
// goes to its file.
class CHtmlDocument {
public:
    using Sink = std::function<void(std::string_view piece)>;

    explicit CHtmlDocument(Sink sink = {});

    // Appends one element; `linkText` is used by Link only. An unknown kind adds nothing
    // (beyond the centring tags when `centre` is set).
    void AddElement(std::uint16_t kind, std::string_view text = {}, std::string_view linkText = {},
                    bool centre = false);
    // Before anything else is added to a document with a sink (the head is its first piece).
    void SetTitle(std::string title);
    // Room for about that many more bytes, so the buffer is not moved as the page grows.
    void Reserve(std::size_t bytes) {
        m_file.reserve(m_sink ? kPiece + kSlack : bytes + m_used + kSlack);
    }

    // Writing body text in place, for pages of many lines: Room(n) gives at least n bytes
    // at the end of the body to write into, and Commit(end) keeps what was written up to
    // `end` (any pointer from the last Room up to Room + n). The text is taken as it is,
    // so it must hold no line feed (nothing turns it into CR LF).
    char* Room(std::size_t bytes) {
        if (m_file.size() - m_used < bytes)
            Grow(bytes);
        return m_file.data() + m_used;
    }
    void Commit(const char* end) { m_used = static_cast<std::size_t>(end - m_file.data()); }

    // With a sink: hands it the rest of the page, closing tags included.
    void Finish();

    // Without a sink only: the page with line feeds as they are.
    std::string BuildHtml() const;
    // The bytes of the file (every line feed written as CR LF), taken out of the document,
    // which is left empty.
    std::string TakeFileBytes();
    // Replaces the file at `path` with the page; a failure names the path and the cause
    // and leaves any old file whole.
    FileResult WriteFile(const std::string& path, FileOps* ops = nullptr);

    const std::string& GetTitle() const { return m_strTitle; }

private:
    // Room is made this much at a time: the new bytes are cleared once by the string, in
    // steps small enough to stay in the cache until they are written over.
    static constexpr std::size_t kSlack = 64 * 1024;
    // With a sink, the body is handed on once it is this long: small enough to be read
    // back from the cache as it is written out.
    static constexpr std::size_t kPiece = 1024 * 1024;

    std::size_t HeadSize() const;
    void Grow(std::size_t bytes);
    // Drops the room not written into, so the string ends where the body does.
    void Trim() { m_file.resize(m_used); }
    // The finished file: body, then the closing tags.
    void Close();

    // Head and body in [0, m_used); what follows is room not yet written.
    std::string m_file;
    std::size_t m_used = 0;
    std::string m_strTitle;
    Sink m_sink;
};

// User text made safe for the page: & < > " as named entities and every character above
// U+007F as a decimal character reference, so the file is plain ASCII. Bytes that are not
// UTF-8 become &#65533;.
std::string EscapeHtml(std::string_view utf8);
void AppendEscapedHtml(std::string& out, std::string_view utf8);
// The same written at `out`, which has room for kEscapedHtmlGrowth bytes for each byte of
// `utf8`; returns the end of what was written.
inline constexpr std::size_t kEscapedHtmlGrowth = 8;
char* PutEscapedHtml(char* out, std::string_view utf8);

// Line feeds as CR LF, all other bytes unchanged.
std::string ToCrLf(std::string_view text);
