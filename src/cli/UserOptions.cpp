#include "cli/UserOptions.h"

#include "cli/DataLocation.h"

#include "core/app/PunchwellApp.h"
#include "core/platform/FileSystem.h"

#include <cctype>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>
#endif

namespace {

std::string Trim(const std::string& text) {
    const auto first = text.find_first_not_of(" \t\r");
    if (first == std::string::npos)
        return {};
    const auto last = text.find_last_not_of(" \t\r");
    return text.substr(first, last - first + 1);
}

// Settings files escape key characters outside [A-Za-z0-9_-./] as %XX.
std::string UnescapeKey(const std::string& key) {
    std::string out;
    for (std::size_t i = 0; i < key.size(); ++i) {
        if (key[i] == '%' && i + 2 < key.size() &&
            std::isxdigit(static_cast<unsigned char>(key[i + 1])) &&
            std::isxdigit(static_cast<unsigned char>(key[i + 2]))) {
            out += static_cast<char>(std::stoi(key.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += key[i];
        }
    }
    return out;
}

// Settings-file values: quotes removed; the common backslash escapes resolved.
std::string UnquoteValue(const std::string& raw) {
    std::string value = raw;
    if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
        value = value.substr(1, value.size() - 2);
    std::string out;
    for (std::size_t i = 0; i < value.size(); ++i) {
        if (value[i] == '\\' && i + 1 < value.size()) {
            const char next = value[++i];
            out += next == 'n' ? '\n' : next == 't' ? '\t' : next == 'r' ? '\r' : next;
        } else {
            out += value[i];
        }
    }
    return out;
}

} // namespace

std::map<std::string, std::string> CUserOptionsStorage::ParseOptionsGroup(const std::string& text) {
    std::map<std::string, std::string> values;
    bool inOptions = false;
    std::size_t start = 0;
    while (start <= text.size()) {
        std::size_t end = text.find('\n', start);
        if (end == std::string::npos)
            end = text.size();
        const std::string line = Trim(text.substr(start, end - start));
        start = end + 1;
        if (line.empty() || line[0] == ';' || line[0] == '#')
            continue;
        if (line.front() == '[') {
            inOptions = line == "[Options]";
            continue;
        }
        const auto equals = line.find('=');
        if (inOptions && equals != std::string::npos)
            values[UnescapeKey(Trim(line.substr(0, equals)))] =
                UnquoteValue(Trim(line.substr(equals + 1)));
    }
    return values;
}

CUserOptionsStorage::CUserOptionsStorage() {
#ifndef _WIN32
    auto base = EnvironmentVariable("XDG_CONFIG_HOME");
    if (!base || (*base)[0] != '/') {
        const auto home = EnvironmentVariable("HOME");
        if (!home)
            return;
        base = JoinPath(*home, ".config");
    }
    std::string text;
    std::string error;
    if (ReadWholeFile(JoinPath(JoinPath(*base, "Quillmoor"), "Punchwell.conf"), text, error) ==
        ReadStatus::Ok)
        m_values = ParseOptionsGroup(text);
#endif
}

bool CUserOptionsStorage::ReadInt(const std::string& name, std::int64_t& value) {
#ifdef _WIN32
    DWORD data = 0;
    DWORD size = sizeof data;
    const std::wstring wideName(name.begin(), name.end());
    if (RegGetValueW(HKEY_CURRENT_USER, L"Software\\Quillmoor\\Punchwell\\Options",
                     wideName.c_str(), RRF_RT_REG_DWORD, nullptr, &data, &size) != ERROR_SUCCESS)
        return false;
    value = data;
    return true;
#else
    const auto found = m_values.find(name);
    if (found == m_values.end() || found->second.empty())
        return false;
    char* end = nullptr;
    const long long number = std::strtoll(found->second.c_str(), &end, 10);
    if (end == nullptr || *end != '\0')
        return false;
    value = number;
    return true;
#endif
}

bool CUserOptionsStorage::ReadString(const std::string& name, std::string& value) {
#ifdef _WIN32
    const std::wstring wideName(name.begin(), name.end());
    DWORD size = 0;
    const wchar_t* key = L"Software\\Quillmoor\\Punchwell\\Options";
    if (RegGetValueW(HKEY_CURRENT_USER, key, wideName.c_str(), RRF_RT_REG_SZ, nullptr, nullptr,
                     &size) != ERROR_SUCCESS)
        return false;
    std::wstring wide(size / sizeof(wchar_t), L'\0');
    if (RegGetValueW(HKEY_CURRENT_USER, key, wideName.c_str(), RRF_RT_REG_SZ, nullptr, wide.data(),
                     &size) != ERROR_SUCCESS)
        return false;
    wide.resize(wcsnlen(wide.c_str(), wide.size()));
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()),
                                          nullptr, 0, nullptr, nullptr);
    value.assign(static_cast<std::size_t>(bytes), '\0');
    WideCharToMultiByte(CP_UTF8, 0, wide.c_str(), static_cast<int>(wide.size()), value.data(),
                        bytes, nullptr, nullptr);
    return true;
#else
    const auto found = m_values.find(name);
    if (found == m_values.end())
        return false;
    value = found->second;
    return true;
#endif
}

COptions ReadUserOptions() {
    CUserOptionsStorage storage;
    CPunchwellApp app(".");
    app.SetOptionsStorage(storage);
    app.ReadOptions();
    return app.GetOptions();
}
