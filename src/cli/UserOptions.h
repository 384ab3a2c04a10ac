#pragma once

#include "core/app/Options.h"

#include <cstdint>
#include <map>
#include <optional>
#include <string>

// Reads the options the desktop program keeps for this user, read-only: the settings file
// $XDG_CONFIG_HOME/Quillmoor/Punchwell.conf (default ~/.config) on Linux, the registry key
// HKEY_CURRENT_USER\Software\Quillmoor\Punchwell\Options on Windows.
class CUserOptionsStorage final : public OptionsStorage {
public:
    CUserOptionsStorage();

    bool ReadInt(const std::string& name, std::int64_t& value) override;
    bool ReadString(const std::string& name, std::string& value) override;
    // The tool never changes the user's options.
    void WriteInt(const std::string&, std::uint32_t) override {}
    void WriteString(const std::string&, const std::string&) override {}

    // Parses the [Options] group of a settings file's text (keys unescaped).
    static std::map<std::string, std::string> ParseOptionsGroup(const std::string& text);

private:
    std::map<std::string, std::string> m_values;
};

// The user's options, defaults where nothing is stored or a value is out of range.
COptions ReadUserOptions();
