#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

// A text a record holds without owning a string of its own (it lives in the store's text
// pool, or in the record). Reads like a std::string_view and turns into a std::string
// wherever a copy is wanted, so code written for strings keeps working.
class CTextRef {
public:
    constexpr CTextRef() = default;
    constexpr CTextRef(std::string_view text) : m_text(text) {}

    constexpr std::string_view View() const { return m_text; }
    constexpr operator std::string_view() const { return m_text; }
    operator std::string() const { return std::string(m_text); }

    constexpr const char* data() const { return m_text.data(); }
    constexpr std::size_t size() const { return m_text.size(); }
    constexpr std::size_t length() const { return m_text.size(); }
    constexpr bool empty() const { return m_text.empty(); }
    constexpr char operator[](std::size_t i) const { return m_text[i]; }
    constexpr std::size_t find(char c, std::size_t from = 0) const { return m_text.find(c, from); }
    constexpr std::string_view substr(std::size_t pos,
                                      std::size_t n = std::string_view::npos) const {
        return m_text.substr(pos, n);
    }

    friend constexpr bool operator==(CTextRef a, CTextRef b) { return a.m_text == b.m_text; }
    friend constexpr bool operator==(CTextRef a, std::string_view b) { return a.m_text == b; }
    friend constexpr bool operator==(CTextRef a, const char* b) { return a.m_text == b; }
    friend bool operator==(CTextRef a, const std::string& b) { return a.m_text == b; }
    // Plain < rather than <=>: Qt's moc cannot parse <compare>, and dialog headers see this.
    friend constexpr bool operator<(CTextRef a, CTextRef b) { return a.m_text < b.m_text; }
    friend constexpr bool operator<(CTextRef a, std::string_view b) { return a.m_text < b; }
    friend constexpr bool operator<(std::string_view a, CTextRef b) { return a < b.m_text; }

    friend std::string operator+(const std::string& a, CTextRef b) { return a + std::string(b); }
    friend std::string operator+(std::string&& a, CTextRef b) {
        a.append(b.m_text);
        return std::move(a);
    }
    friend std::string operator+(CTextRef a, std::string_view b) {
        std::string s(a.m_text);
        s.append(b);
        return s;
    }
    friend std::string operator+(const char* a, CTextRef b) { return std::string(a) + b; }

    friend std::ostream& operator<<(std::ostream& out, CTextRef text);

private:
    std::string_view m_text;
};
