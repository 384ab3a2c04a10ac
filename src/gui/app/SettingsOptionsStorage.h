#pragma once

#include "core/app/Options.h"

#include <QSettings>

// The options in the per-user native settings store, group "Options": the registry key
// Software\Quillmoor\Punchwell\Options on Windows, Quillmoor/Punchwell.conf elsewhere.
class SettingsOptionsStorage : public OptionsStorage {
public:
    SettingsOptionsStorage();

    bool ReadInt(const std::string& name, std::int64_t& value) override;
    bool ReadString(const std::string& name, std::string& value) override;
    void WriteInt(const std::string& name, std::uint32_t value) override;
    void WriteString(const std::string& name, const std::string& value) override;

    QString FileName() const { return m_settings.fileName(); }

private:
    QVariant Read(const std::string& name) const;
    void Write(const std::string& name, const QVariant& value);

    QSettings m_settings;
};
