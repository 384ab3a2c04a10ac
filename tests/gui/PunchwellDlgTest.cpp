#include "ui/PunchwellDlg.h"

#include "GuiTestSupport.h"
#include "app/PunchwellApp.h"
#include "app/SettingsOptionsStorage.h"

#include <QAction>
#include <QMenu>
#include <QMenuBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

namespace {

class PunchwellDlgTest : public GuiTest {
protected:
    void SetUp() override {
        QSettings settings = Settings();
        settings.clear();
        settings.sync();
        m_app.SetOptionsStorage(&m_storage);
    }

    static QSettings Settings() {
        return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                         QStringLiteral("Punchwell"));
    }
    static QVariant Stored(const char* name) {
        return Settings().value(QStringLiteral("Options/") + QLatin1String(name));
    }

    void ShowActive() {
        m_dlg.show();
        m_dlg.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&m_dlg));
    }

    QTemporaryDir m_dataDir;
    SettingsOptionsStorage m_storage;
    CPunchwellApp m_app{m_dataDir.path().toStdString()};
    CPunchwellDlg m_dlg{m_app};
};

TEST_F(PunchwellDlgTest, IsTheTitledWindowWithAFileMenuEndingInExit) {
    EXPECT_EQ(m_dlg.objectName(), QStringLiteral("PunchwellDlg"));
    EXPECT_EQ(m_dlg.windowTitle(), QStringLiteral("Punchwell"));
    auto* menuFile = m_dlg.findChild<QMenu*>(QStringLiteral("menuFile"));
    ASSERT_NE(menuFile, nullptr);
    EXPECT_EQ(menuFile->title(), QStringLiteral("&File"));
    auto* menuBar = m_dlg.findChild<QMenuBar*>();
    ASSERT_NE(menuBar, nullptr);
    EXPECT_TRUE(menuBar->actions().contains(menuFile->menuAction()));
    auto* exit = m_dlg.findChild<QAction*>(QStringLiteral("actionExit"));
    ASSERT_NE(exit, nullptr);
    EXPECT_EQ(exit->text(), QStringLiteral("E&xit"));
    ASSERT_FALSE(menuFile->actions().isEmpty());
    EXPECT_EQ(menuFile->actions().constLast(), exit);
}

TEST_F(PunchwellDlgTest, ExitWritesTheOptionsAndEndsTheProgram) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);
    m_app.Options().m_wWeekStart = 3;
    m_app.Options().m_strDefaultProject = "Garden";

    m_dlg.findChild<QAction*>(QStringLiteral("actionExit"))->trigger();

    EXPECT_EQ(exitSpy.count(), 1);
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(Stored("WeekStart").toString(), QStringLiteral("3"));
    EXPECT_EQ(Stored("DefaultProject").toString(), QStringLiteral("Garden"));
    EXPECT_EQ(Stored("PageLines").toString(), QStringLiteral("15"));
}

TEST_F(PunchwellDlgTest, EscWritesTheOptionsAndKeepsTheWindow) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);
    m_app.Options().m_bAutoSwitch = 1;

    QTest::keyClick(&m_dlg, Qt::Key_Escape);

    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_EQ(Stored("AutoSwitch").toString(), QStringLiteral("1"));
}

TEST_F(PunchwellDlgTest, CloseHidesWithoutEndingAndShowBringsItBack) {
    ShowActive();
    QSignalSpy exitSpy(&m_dlg, &CPunchwellDlg::exitRequested);

    EXPECT_FALSE(m_dlg.close());
    EXPECT_FALSE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
    EXPECT_EQ(m_dlg.result(), 0);

    m_dlg.ShowWindow();
    EXPECT_TRUE(m_dlg.isVisible());

    m_dlg.showMinimized();
    ASSERT_TRUE(QTest::qWaitFor([&] { return m_dlg.isMinimized(); }, 2000));
    m_dlg.ShowWindow();
    EXPECT_TRUE(QTest::qWaitFor([&] { return !m_dlg.isMinimized(); }, 2000));
    EXPECT_TRUE(m_dlg.isVisible());
    EXPECT_EQ(exitSpy.count(), 0);
}

} // namespace
