#include "gui/app/SettingsOptionsStorage.h"

#include "core/app/PunchwellApp.h"

#include <QDir>
#include <QSettings>
#include <QTemporaryDir>

#include <gtest/gtest.h>

namespace {

QSettings Settings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                     QStringLiteral("Punchwell"));
}

class SettingsOptionsStorageTest : public testing::Test {
protected:
    void SetUp() override {
        QSettings settings = Settings();
        settings.clear();
        settings.sync();
    }
    QTemporaryDir m_dataDir;
};

TEST_F(SettingsOptionsStorageTest, LivesInTheIsolatedConfigFolder) {
    SettingsOptionsStorage storage;
    EXPECT_EQ(storage.FileName(), QDir(qEnvironmentVariable("XDG_CONFIG_HOME"))
                                      .filePath(QStringLiteral("Quillmoor/Punchwell.conf")));
}

TEST_F(SettingsOptionsStorageTest, WrittenOptionsComeBackInANewRun) {
    {
        SettingsOptionsStorage storage;
        CPunchwellApp app(m_dataDir.path().toStdString());
        app.SetOptionsStorage(storage);
        COptions options;
        options.m_bAutoSwitch = 1;
        options.m_strDefaultProject = "Café Ölsen";
        options.m_bShowListOnStart = 0;
        options.m_wWeekStart = 6;
        options.m_bAutoSave = 0;
        options.m_wAutoSaveIndex = 9;
        options.m_bShowNotes = 0;
        options.m_bRemindLock = 0;
        options.m_wPageLines = 50;
        app.SetOptions(options);
    }

    // On disk: group "Options", numbers as numbers, the project name as text.
    QSettings settings = Settings();
    EXPECT_EQ(settings.value(QStringLiteral("Options/AutoSwitch")).toString(), QStringLiteral("1"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/AutoSave Seconds")).toString(),
              QStringLiteral("9"));
    EXPECT_EQ(settings.value(QStringLiteral("Options/DefaultProject")).toString(),
              QStringLiteral("Café Ölsen"));

    SettingsOptionsStorage storage;
    CPunchwellApp app(m_dataDir.path().toStdString());
    app.SetOptionsStorage(storage);
    app.ReadOptions();
    const COptions& o = app.GetOptions();
    EXPECT_EQ(o.m_bAutoSwitch, 1);
    EXPECT_EQ(o.m_strDefaultProject, "Café Ölsen");
    EXPECT_EQ(o.m_bShowListOnStart, 0);
    EXPECT_EQ(o.m_wWeekStart, 6);
    EXPECT_EQ(o.m_bAutoSave, 0);
    EXPECT_EQ(o.m_wAutoSaveIndex, 9);
    EXPECT_EQ(o.m_bShowNotes, 0);
    EXPECT_EQ(o.m_bRemindLock, 0);
    EXPECT_EQ(o.m_wPageLines, 50);
}

TEST_F(SettingsOptionsStorageTest, OnlyPlainNumbersReadAsNumbers) {
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("Options/Good"), 42);
    settings.setValue(QStringLiteral("Options/Spaced"), QStringLiteral(" 7 "));
    settings.setValue(QStringLiteral("Options/Negative"), QStringLiteral("-3"));
    settings.setValue(QStringLiteral("Options/Words"), QStringLiteral("three"));
    settings.setValue(QStringLiteral("Options/Trailing"), QStringLiteral("12abc"));
    settings.setValue(QStringLiteral("Options/Empty"), QString());
    settings.setValue(QStringLiteral("Options/List"),
                      QStringList{QStringLiteral("1"), QStringLiteral("2")});
    settings.sync();

    SettingsOptionsStorage storage;
    std::int64_t value = 0;
    ASSERT_TRUE(storage.ReadInt("Good", value));
    EXPECT_EQ(value, 42);
    ASSERT_TRUE(storage.ReadInt("Spaced", value));
    EXPECT_EQ(value, 7);
    ASSERT_TRUE(storage.ReadInt("Negative", value));
    EXPECT_EQ(value, -3);
    for (const char* name : {"Words", "Trailing", "Empty", "List", "Missing"}) {
        value = 99;
        EXPECT_FALSE(storage.ReadInt(name, value)) << name;
        EXPECT_EQ(value, 99) << name;
    }
    std::string text = "untouched";
    EXPECT_FALSE(storage.ReadString("Missing", text));
    EXPECT_EQ(text, "untouched");
}

TEST_F(SettingsOptionsStorageTest, UnreadableValuesGiveTheDefaults) {
    QSettings settings = Settings();
    settings.setValue(QStringLiteral("Options/WeekStart"), QStringLiteral("Monday"));
    settings.setValue(QStringLiteral("Options/PageLines"), QStringLiteral("many"));
    settings.setValue(QStringLiteral("Options/Show Notes"), QStringLiteral("0x0"));
    settings.sync();

    SettingsOptionsStorage storage;
    CPunchwellApp app(m_dataDir.path().toStdString());
    app.SetOptionsStorage(storage);
    app.Options().m_wWeekStart = 5;
    app.ReadOptions();
    EXPECT_EQ(app.GetOptions().m_wWeekStart, 0);
    EXPECT_EQ(app.GetOptions().m_wPageLines, 15);
    EXPECT_EQ(app.GetOptions().m_bShowNotes, 1);
}

} // namespace
