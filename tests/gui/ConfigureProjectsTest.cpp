#include "GuiTestSupport.h"

#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "gui/ui/ConfigureProjectsDlg.h"

#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

constexpr std::int32_t kNoon = 1781179200; // 2026-06-11 12:00:00 UTC

class ConfigureProjects : public GuiTest {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        app.SetClock(&clock);
        app.SetPrompts(prompts);
    }
    void AddProject(const std::string& name) {
        auto task = std::make_unique<CTask>(name);
        app.Store().AddTask(task);
    }
    CDoneTask* AddPeriod(const std::string& project, std::int32_t start, std::int32_t end) {
        auto period = std::make_unique<CDoneTask>(project, "");
        period->SetStart(start);
        period->SetEnd(end);
        CDoneTask* raw = period.get();
        app.Store().AddDoneTask(period);
        return raw;
    }
    std::unique_ptr<CConfigureProjectsDlg> Open(CConfigureProjectsDlg::Hooks hooks = {}) {
        auto dlg = std::make_unique<CConfigureProjectsDlg>(app, prompts, std::move(hooks));
        dlg->show();
        return dlg;
    }
    static QListWidget* List(QWidget* dlg) {
        return dlg->findChild<QListWidget*>(QStringLiteral("projectList"));
    }
    static void Select(QWidget* dlg, const QString& name) {
        const auto found = List(dlg)->findItems(name, Qt::MatchExactly);
        ASSERT_EQ(found.size(), 1) << name.toStdString();
        List(dlg)->setCurrentItem(found.first());
    }
    static QString Field(QWidget* dlg, const char* name) {
        return dlg->findChild<QLabel*>(QString::fromLatin1(name))->text();
    }
    static void Click(QWidget* dlg, const char* button) {
        QTest::mouseClick(dlg->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    bool MainFileExists() const { return QFile::exists(dataPath()); }
    QString dataPath() const { return QString::fromStdString(app.GetDataPath()); }

    QTemporaryDir dir;
    CPunchwellApp app{dir.path().toStdString()};
    FakeClock clock{kNoon};
    FakePrompts prompts;
};

TEST_F(ConfigureProjects, AddsIntoTheSortedListAndSavesOnceOnEscape) {
    AddProject("beta");
    AddProject("Gamma");
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Configure Projects"));
    EXPECT_EQ(Field(dlg.get(), "todayValue"), QStringLiteral("*No Selection*"));
    EXPECT_EQ(Field(dlg.get(), "totalValue"), QStringLiteral("*No Selection*"));

    ModalDriver driver([](QWidget* modal) {
        QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("nameEdit")),
                         QStringLiteral("Alpha"));
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    Click(dlg.get(), "addButton");
    ASSERT_TRUE(driver.Ran());
    ASSERT_EQ(List(dlg.get())->count(), 3);
    EXPECT_EQ(List(dlg.get())->item(0)->text(), QStringLiteral("Alpha"));
    EXPECT_EQ(List(dlg.get())->item(1)->text(), QStringLiteral("beta"));
    EXPECT_TRUE(List(dlg.get())->selectedItems().isEmpty());
    EXPECT_EQ(app.Store().Tasks().front()->GetName(), "Alpha");
    EXPECT_FALSE(MainFileExists()) << "nothing is written while the dialog is open";

    QTest::keyClick(dlg.get(), Qt::Key_Escape);
    EXPECT_FALSE(dlg->isVisible());
    ASSERT_TRUE(MainFileExists());

    // Opened and closed again without a change: nothing is written.
    QFile::remove(dataPath());
    auto again = Open();
    QTest::keyClick(again.get(), Qt::Key_Escape);
    EXPECT_FALSE(MainFileExists());
}

TEST_F(ConfigureProjects, RenameCarriesEveryPeriodAndKeepsTheTotals) {
    AddProject("Web");
    AddProject("Other");
    AddPeriod("Web", kNoon - 7200, kNoon - 3600);
    AddPeriod("Web", kNoon - 20000, kNoon - 19000)->MarkDeleted();
    CDoneTask* running = AddPeriod("Web", kNoon - 600, kNoon);
    running->SetRunningFlag(1);
    AddPeriod("Other", kNoon - 9000, kNoon - 8000);

    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Web"));
    EXPECT_EQ(Field(dlg.get(), "totalValue"), QStringLiteral("01 : 10 : 00"));
    ModalDriver driver([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Edit Project"));
        auto* name = modal->findChild<QLineEdit*>(QStringLiteral("nameEdit"));
        name->setText(QStringLiteral("Website"));
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    Click(dlg.get(), "editButton");
    ASSERT_TRUE(driver.Ran());
    int followed = 0;
    for (const auto& period : app.Store().DoneTasks())
        followed += period->GetProject() == "Website";
    EXPECT_EQ(followed, 3);
    ASSERT_EQ(List(dlg.get())->selectedItems().size(), 1);
    EXPECT_EQ(List(dlg.get())->selectedItems().first()->text(), QStringLiteral("Website"));
    QTest::qWait(120); // the once-a-second refresh
    clock.advance(1);
    QTest::qWait(120);
    EXPECT_EQ(Field(dlg.get(), "totalValue"), QStringLiteral("01 : 10 : 00"));
    Click(dlg.get(), "closeButton");
    EXPECT_TRUE(MainFileExists());
}

TEST_F(ConfigureProjects, DeleteAsksAboutThePeriodsAndRefusesTheProjectInUse) {
    struct Case {
        MessageAnswer answer;
        bool projectGone;
        std::size_t periodsLeft;
    };
    for (const Case c : {Case{MessageAnswer::Yes, true, 1}, Case{MessageAnswer::No, true, 3},
                         Case{MessageAnswer::Cancel, false, 3}}) {
        SCOPED_TRACE(static_cast<int>(c.answer));
        app.Store().RemoveAll();
        AddProject("Web");
        AddProject("Other");
        AddPeriod("Web", kNoon - 7200, kNoon - 3600);
        AddPeriod("Web", kNoon - 20000, kNoon - 19000)->MarkDeleted();
        AddPeriod("Other", kNoon - 9000, kNoon - 8000);
        auto dlg = Open();
        Select(dlg.get(), QStringLiteral("Web"));
        // Enter alone deletes nothing.
        prompts.Expect({"Delete Associated Time Periods?",
                        "Do you also want to delete the time periods associated with this task?",
                        MessageIcon::Question, MessageButtons::YesNoCancel, c.answer, std::nullopt,
                        MessageAnswer::Cancel});
        Click(dlg.get(), "deleteButton");
        EXPECT_EQ(app.Store().FindTask("Web") == nullptr, c.projectGone);
        EXPECT_EQ(List(dlg.get())->findItems(QStringLiteral("Web"), Qt::MatchExactly).isEmpty(),
                  c.projectGone);
        EXPECT_EQ(app.Store().GetDoneCount(), c.periodsLeft);
        EXPECT_EQ(dlg->IsModified(), c.projectGone);
        dlg->reject();
    }

    // Checked in to Web: refused. Another project goes as usual.
    app.Store().RemoveAll();
    AddProject("Web");
    AddProject("Other");
    auto dlg = Open({[] { return std::optional<std::string>("Web"); }, {}, {}});
    Select(dlg.get(), QStringLiteral("Web"));
    prompts.Expect("Project in Use",
                   "You are currently checked-in to this project. You must check out before "
                   "you delete it.",
                   MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
    Click(dlg.get(), "deleteButton");
    EXPECT_NE(app.Store().FindTask("Web"), nullptr);
    Select(dlg.get(), QStringLiteral("Other"));
    prompts.Expect("Delete Associated Time Periods?", std::nullopt, MessageIcon::Question,
                   MessageButtons::YesNoCancel, MessageAnswer::No);
    Click(dlg.get(), "deleteButton");
    EXPECT_EQ(app.Store().FindTask("Other"), nullptr);
}

TEST_F(ConfigureProjects, StatusLinesFollowTheClockAndTheSelection) {
    AddProject("Web");
    CDoneTask* running = AddPeriod("Web", kNoon - 3600, kNoon);
    auto dlg = Open();
    Select(dlg.get(), QStringLiteral("Web"));
    EXPECT_EQ(Field(dlg.get(), "todayValue"), QStringLiteral("01 : 00 : 00"));
    // The running period's end moves on; the lines catch up within a second.
    clock.advance(5);
    running->SetEnd(kNoon + 5);
    QTest::qWait(150);
    EXPECT_EQ(Field(dlg.get(), "todayValue"), QStringLiteral("01 : 00 : 05"));
    EXPECT_EQ(Field(dlg.get(), "totalValue"), QStringLiteral("01 : 00 : 05"));
    // A project that vanished from the store drops out of the list when selected.
    AddProject("Ghost");
    auto other = Open();
    app.Store().RemoveTask("Ghost");
    Select(other.get(), QStringLiteral("Ghost"));
    EXPECT_TRUE(List(other.get())->findItems(QStringLiteral("Ghost"), Qt::MatchExactly).isEmpty());
}

} // namespace
