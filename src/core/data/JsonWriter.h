#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// Builds JSON text in memory. Strings go out as UTF-8; quotes, backslashes and control
// characters (C0, DEL and C1) are escaped. Containers nested deeper than the inline depth
// are written on one line, shallower ones with one member per line, so that a dump of many
// records stays readable and diffable.
class CJsonWriter {
public:
    explicit CJsonWriter(int inlineDepth = 1) : m_inlineDepth(inlineDepth) {}

    void BeginObject();
    void EndObject();
    void BeginArray();
    void EndArray();
    // Starts a member of the current object; the value follows.
    void Key(std::string_view name);

    void String(std::string_view utf8);
    void Int(std::int64_t value);
    void UInt(std::uint64_t value);
    void Bool(bool value);
    void Null();

    const std::string& Text() const { return m_text; }

    // The quoted JSON form of a text. Invalid UTF-8 becomes U+FFFD; a surrogate code point
    // encoded on its own (as a lone UTF-16 surrogate from a data file reads) becomes a
    // \uXXXX escape, so nothing of the text is dropped and the output stays valid UTF-8.
    static std::string Quote(std::string_view utf8);

private:
    void BeforeValue();
    void Open(char bracket);
    void Close(char bracket);
    void NewLine(std::size_t depth);

    struct Level {
        bool isObject = false;
        bool empty = true;
    };
    std::string m_text;
    std::vector<Level> m_levels;
    bool m_afterKey = false;
    int m_inlineDepth;
};
