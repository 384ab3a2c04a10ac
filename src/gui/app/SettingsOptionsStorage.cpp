#include "gui/app/SettingsOptionsStorage.h"

namespace {
const QString kGroup = QStringLiteral("Options");

QString Key(const std::string& name) {
    return kGroup + QLatin1Char('/') + QString::fromStdString(name);
}
} // namespace

SettingsOptionsStorage::SettingsOptionsStorage()
    : m_settings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                 QStringLiteral("Punchwell")) {}

QVariant SettingsOptionsStorage::Read(const std::string& name) const {
    return m_settings.value(Key(name));
}

void SettingsOptionsStorage::Write(const std::string& name, const QVariant& value) {
    m_settings.setValue(Key(name), value);
    // Written at once, so an option survives however the program ends.
    m_settings.sync();
}

bool SettingsOptionsStorage::ReadInt(const std::string& name, std::int64_t& value) {
    const QVariant stored = Read(name);
    bool ok = false;
    qlonglong number = 0;
    switch (stored.typeId()) {
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        number = stored.toLongLong(&ok);
        break;
    case QMetaType::QString:
        // Text files hold every value as text; anything but a plain number counts as missing.
        number = stored.toString().trimmed().toLongLong(&ok, 10);
        break;
    default:
        break;
    }
    if (!ok)
        return false;
    value = number;
    return true;
}

bool SettingsOptionsStorage::ReadString(const std::string& name, std::string& value) {
    const QVariant stored = Read(name);
    if (stored.typeId() != QMetaType::QString)
        return false;
    value = stored.toString().toStdString();
    return true;
}

void SettingsOptionsStorage::WriteInt(const std::string& name, std::uint32_t value) {
    Write(name, QVariant::fromValue<uint>(value));
}

void SettingsOptionsStorage::WriteString(const std::string& name, const std::string& value) {
    Write(name, QString::fromStdString(value));
}
