#include "gui/app/PunchwellApplication.h"

#include "GuiTestSupport.h"
#include "gui/app/SingleInstance.h"
#include "gui/ui/PunchwellDlg.h"
#include "gui/ui/SystemTray.h"

#include <QAbstractButton>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QProcess>
#include <QTest>
#include <QTimer>

#include <gtest/gtest.h>

#include <memory>

namespace {

class PunchwellApplicationTest : public GuiTest {
protected:
    QTemporaryDir m_dir;
};

TEST_F(PunchwellApplicationTest, DataFolderIsTheUsersOrTheOneGivenAndIsCreated) {
    QString error;
    const QString standard = PunchwellApplication::ResolveDataDirectory(QString(), error);
    EXPECT_EQ(standard, QDir(qEnvironmentVariable("XDG_DATA_HOME"))
                            .filePath(QStringLiteral("Quillmoor/Punchwell")));
    EXPECT_TRUE(QFileInfo(standard).isDir());

    const QString nested = m_dir.filePath(QStringLiteral("a/b/../c"));
    EXPECT_EQ(PunchwellApplication::ResolveDataDirectory(nested, error),
              m_dir.filePath(QStringLiteral("a/c")));
    EXPECT_TRUE(QFileInfo(m_dir.filePath(QStringLiteral("a/c"))).isDir());

    // A plain file where the folder should be is a clear failure naming the path.
    const QString file = m_dir.filePath(QStringLiteral("taken"));
    ASSERT_TRUE(WriteBytes(file, "x"));
    error.clear();
    EXPECT_TRUE(PunchwellApplication::ResolveDataDirectory(file, error).isEmpty());
    EXPECT_TRUE(error.contains(QDir::toNativeSeparators(file))) << error.toStdString();
}

// The backup is refreshed while the project list offered at start waits for its answer: a
// list left open holds back neither the copy nor the person.
TEST_F(PunchwellApplicationTest, BackupIsRefreshedWhileTheStartListIsOpen) {
    const QString mainPath = m_dir.filePath(QStringLiteral("timedata.pnd"));
    const QString backupPath = m_dir.filePath(QStringLiteral("tdbackup.pnd"));
    const QByteArray bytes = MakeDataFile({"Alpha", "Beta"}, {{"Alpha", 1000, 2000, ""}});
    ASSERT_TRUE(WriteBytes(mainPath, bytes));
    PunchwellApplication program(m_dir.path());

    QString listTitle;
    QByteArray backupWhileOpen;
    ModalDriver driver([&](QWidget* widget) {
        listTitle = widget->windowTitle();
        EXPECT_TRUE(QTest::qWaitFor([&] { return ReadBytes(backupPath) == bytes; }, 10000));
        backupWhileOpen = ReadBytes(backupPath);
        QMetaObject::invokeMethod(widget, "reject", Qt::QueuedConnection);
    });
    program.Start(QString());
    EXPECT_EQ(listTitle, QStringLiteral("Select Project"));
    EXPECT_EQ(backupWhileOpen, bytes);
    program.FinishBackupRefresh();
}

// The main window is built while the data is read, but joins the program only once the data
// is in: a key of its own pressed over a question asked while loading opens nothing, and no
// tray icon is up yet.
TEST_F(PunchwellApplicationTest, TheWindowTakesNoKeysBeforeTheDataIsIn) {
    PunchwellApplication program(m_dir.path());
    QString caption;
    bool windowBuilt = false;
    bool trayUp = true;
    QStringList openedByKeys;
    ModalDriver driver([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        caption = box->windowTitle();
        windowBuilt = program.MainWindow() != nullptr;
        trayUp = program.MainWindow() && program.MainWindow()->findChild<CSystemTray*>();
        // Options and Load Data, which the joined window takes from over its own boxes.
        // A dialog opened by a key is closed again, so that the test goes on to fail.
        QTimer closer;
        QObject::connect(&closer, &QTimer::timeout, [&] {
            QWidget* modal = QApplication::activeModalWidget();
            if (modal != nullptr && modal != box) {
                openedByKeys << modal->windowTitle();
                modal->close();
            }
        });
        closer.start(50);
        QTest::keyClick(box, Qt::Key_O, Qt::ControlModifier);
        QTest::keyClick(box, Qt::Key_F5);
        QTest::qWait(200);
        closer.stop();
        box->button(QMessageBox::No)->click();
    });
    program.Start(QString());

    ASSERT_TRUE(driver.Ran());
    EXPECT_EQ(caption, QStringLiteral("Enter Projects?"));
    EXPECT_TRUE(windowBuilt);
    EXPECT_FALSE(trayUp);
    EXPECT_EQ(openedByKeys.join(QStringLiteral(", ")).toStdString(), "");
}

// With a file on the command line and no data yet: no first-run question, the path is shown
// before the window comes up, then the Load Data File dialog; cancelled, nothing is written.
TEST_F(PunchwellApplicationTest, CommandLineFileIsShownBeforeTheWindow) {
    const QString file = m_dir.filePath(QStringLiteral("elsewhere/march.pnd"));
    PunchwellApplication program(m_dir.path());

    QStringList seen;
    bool windowUpDuringBox = true;
    QWidget* boxParent = program.MainWindow();
    QWidget* dialogParent = program.MainWindow();
    std::unique_ptr<ModalDriver> dialogDriver;
    ModalDriver driver([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        seen << box->windowTitle() << box->text();
        boxParent = box->parentWidget();
        windowUpDuringBox = program.MainWindow() && program.MainWindow()->isVisible();
        dialogDriver = std::make_unique<ModalDriver>([&](QWidget* dialog) {
            seen << dialog->windowTitle();
            dialogParent = dialog->parentWidget();
            windowUpDuringBox =
                windowUpDuringBox || (program.MainWindow() && program.MainWindow()->isVisible());
            auto* cancel = dialog->findChild<QAbstractButton*>(QStringLiteral("cancelButton"));
            ASSERT_NE(cancel, nullptr);
            cancel->click();
        });
        box->accept();
    });
    program.Start(file);

    ASSERT_TRUE(driver.Ran());
    ASSERT_TRUE(dialogDriver && dialogDriver->Ran());
    EXPECT_EQ(seen, (QStringList{QString(), QDir::toNativeSeparators(file),
                                 QStringLiteral("Load Data File")}));
    EXPECT_EQ(boxParent, nullptr);
    EXPECT_EQ(dialogParent, nullptr);
    EXPECT_FALSE(windowUpDuringBox);
    ASSERT_NE(program.MainWindow(), nullptr);
    EXPECT_TRUE(program.MainWindow()->isVisible());
    EXPECT_EQ(program.GetStartupResult().which, StartupCase::FirstRun);
    EXPECT_FALSE(program.App().IsFirstRun());
    EXPECT_EQ(QDir(m_dir.path()).entryList(QDir::Files), QStringList());
}

// A second start while the first-run question is still open: its request waits until the
// main window exists, then the path is shown over the window.
TEST_F(PunchwellApplicationTest, RequestDuringStartUpBoxesIsServedOnceTheWindowExists) {
    SingleInstance instance(m_dir.path());
    ASSERT_EQ(instance.Acquire(), SingleInstance::Role::Primary);
    PunchwellApplication program(m_dir.path());
    program.Listen(instance);
    QTemporaryDir configDir;
    const QString file = m_dir.filePath(QStringLiteral("later.pnd"));
    ASSERT_TRUE(WriteBytes(file, MakeDataFile({"Later"}, {})));

    QString firstCaption;
    int secondExit = -1;
    QString pathText;
    QWidget* pathParent = nullptr;
    std::unique_ptr<ModalDriver> pathDriver;
    std::unique_ptr<ModalDriver> loadDriver;
    QString loadTitle;
    ModalDriver questionDriver([&](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        ASSERT_NE(box, nullptr);
        firstCaption = box->windowTitle();
        QProcess second;
        second.setProcessEnvironment(ChildEnvironment(configDir.path()));
        second.start(PunchwellBinary(), {QStringLiteral("--data-dir"), m_dir.path(), file});
        ASSERT_TRUE(QTest::qWaitFor(
            [&] { return second.state() == QProcess::NotRunning || second.waitForFinished(10); },
            10000));
        secondExit = second.exitCode();
        QTest::qWait(50);
        pathDriver = std::make_unique<ModalDriver>([&](QWidget* next) {
            auto* pathBox = qobject_cast<QMessageBox*>(next);
            ASSERT_NE(pathBox, nullptr);
            pathText = pathBox->text();
            pathParent = pathBox->parentWidget();
            // Then the load procedure, stopped at its first dialog.
            loadDriver = std::make_unique<ModalDriver>([&](QWidget* dialog) {
                loadTitle = dialog->windowTitle();
                dialog->close();
            });
            pathBox->accept();
        });
        box->button(QMessageBox::No)->click();
    });

    program.Start(QString());
    ASSERT_TRUE(questionDriver.Ran());
    ASSERT_TRUE(pathDriver);
    ASSERT_TRUE(QTest::qWaitFor([&] { return pathDriver->Ran(); }, 10000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return loadDriver && loadDriver->Ran(); }, 10000));

    EXPECT_EQ(firstCaption, QStringLiteral("Enter Projects?"));
    EXPECT_EQ(secondExit, 0);
    EXPECT_TRUE(pathText.contains(QDir::toNativeSeparators(file))) << pathText.toStdString();
    EXPECT_EQ(pathParent, program.MainWindow());
    EXPECT_EQ(loadTitle, QStringLiteral("Load Data File"));
    EXPECT_TRUE(program.MainWindow()->isVisible());
}

} // namespace
