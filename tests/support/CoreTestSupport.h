#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <optional>
#include <random>
#include <string>
#include <string_view>

namespace coretest {

// "00 FF 02" (spaces and commas ignored) to bytes.
inline std::string FromHex(std::string_view hex) {
    std::string out;
    int high = -1;
    for (char c : hex) {
        int v;
        if (c >= '0' && c <= '9')
            v = c - '0';
        else if (c >= 'a' && c <= 'f')
            v = c - 'a' + 10;
        else if (c >= 'A' && c <= 'F')
            v = c - 'A' + 10;
        else
            continue;
        if (high < 0) {
            high = v;
        } else {
            out += static_cast<char>(high * 16 + v);
            high = -1;
        }
    }
    return out;
}

inline std::string ToHex(std::string_view bytes) {
    static const char* digits = "0123456789ABCDEF";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (i)
            out += ' ';
        const auto b = static_cast<unsigned char>(bytes[i]);
        out += digits[b >> 4];
        out += digits[b & 15];
    }
    return out;
}

inline std::string ReadFile(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteFile(const std::filesystem::path& path, std::string_view bytes) {
    std::ofstream out(path, std::ios::binary | std::ios::trunc);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

inline std::string Fixture(const std::string& name) {
    return ReadFile(std::filesystem::path(PUNCHWELL_FIXTURES_DIR) / name);
}

// A fresh directory removed with everything in it when the test ends.
class TempDir {
public:
    TempDir() {
        std::random_device rd;
        const auto base = std::filesystem::temp_directory_path();
        for (;;) {
            m_path = base / ("punchwell-core-" + std::to_string(rd()));
            if (std::filesystem::create_directory(m_path))
                break;
        }
    }
    ~TempDir() {
        std::error_code ec;
        std::filesystem::permissions(m_path, std::filesystem::perms::owner_all,
                                     std::filesystem::perm_options::add, ec);
        std::filesystem::remove_all(m_path, ec);
    }
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    std::string str() const { return m_path.string(); }
    std::string file(const std::string& name) const { return (m_path / name).string(); }

private:
    std::filesystem::path m_path;
};

// Sets or (with null) removes an environment variable of this process.
inline void SetEnvironment(const char* name, const char* value) {
#ifdef _WIN32
    _putenv_s(name, value != nullptr ? value : ""); // an empty value removes it there
#else
    if (value != nullptr)
        setenv(name, value, 1);
    else
        unsetenv(name);
#endif
}

// The TZ value the C runtime understands for a zone of the tests, or null when it cannot
// express the zone. Windows' runtime knows no zone names, only the "EST5EDT" form, to which
// it applies the United States' daylight saving rules: exactly New York's.
inline const char* RuntimeZone(const char* zone) {
#ifdef _WIN32
    const std::string_view name(zone);
    if (name == "America/New_York")
        return "EST5EDT";
    if (name == "UTC")
        return "UTC0";
    if (name == "Asia/Kolkata")
        return "IST-5:30";
    return nullptr;
#else
    return zone;
#endif
}

// Sets TZ for the scope of a test and restores it after.
class ScopedTimeZone {
public:
    explicit ScopedTimeZone(const char* tz) {
        if (const char* old = std::getenv("TZ"))
            m_old = old;
        const char* value = RuntimeZone(tz);
        if (value == nullptr)
            ADD_FAILURE() << "the C runtime cannot express the zone " << tz;
        SetEnvironment("TZ", value != nullptr ? value : "UTC0");
        Apply();
    }
    ~ScopedTimeZone() {
#ifdef _WIN32
        // Wine's runtime, once it has fallen back to the system's zone, applies no daylight
        // saving to a TZ set later: TZ stays set, to UTC when it was not.
        SetEnvironment("TZ", m_old ? m_old->c_str() : "UTC0");
#else
        SetEnvironment("TZ", m_old ? m_old->c_str() : nullptr);
#endif
        Apply();
    }

private:
    static void Apply() {
#ifdef _WIN32
        _tzset();
#else
        tzset();
#endif
    }
    std::optional<std::string> m_old;
};

} // namespace coretest
