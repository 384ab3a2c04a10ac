#include "GuiTestSupport.h"

#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "gui/ui/StatusDlg.h"
#include "gui/ui/TimeRecordsDlg.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace {

constexpr std::int32_t kDay = 1780992000; // 2026-06-09 08:00:00 UTC

class TimeRecords : public GuiTest {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        app.SetClock(&clock);
        app.SetPrompts(prompts);
        auto web = std::make_unique<CTask>("Web");
        app.Store().AddTask(web);
        // Stored oldest first on purpose: the list must still show the newest first.
        Add("Web", kDay, kDay + 3600, "first");
        Add("Web", kDay + 86400 * 2, kDay + 86400 * 2 + 1800, "third");
        Add("Web", kDay + 86400, kDay + 86400 + 900, "second");
        Add("Other", kDay + 86400 * 3, kDay + 86400 * 3 + 60, "not ours");
        running = Add("Web", kDay + 86400 * 4, kDay + 86400 * 4 + 60, "");
        running->SetRunningFlag(1);
    }
    CDoneTask* Add(const std::string& project, std::int32_t start, std::int32_t end,
                   const std::string& notes) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(start);
        period->SetEnd(end);
        CDoneTask* raw = period.get();
        app.Store().AppendDoneTask(std::move(period));
        return raw;
    }
    std::unique_ptr<CTimeRecordsDlg> Open() {
        auto dlg = std::make_unique<CTimeRecordsDlg>(
            app, prompts, *app.Store().FindTask("Web"),
            CTimeRecordsDlg::Hooks{[this] { return static_cast<const CDoneTask*>(running); }, {}});
        dlg->show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(dlg.get()));
        return dlg;
    }
    static QTreeWidget* List(QWidget* dlg) {
        return dlg->findChild<QTreeWidget*>(QStringLiteral("recordList"));
    }
    static QStringList Column(QWidget* dlg, int column) {
        QStringList texts;
        for (int i = 0; i < List(dlg)->topLevelItemCount(); ++i)
            texts << List(dlg)->topLevelItem(i)->text(column);
        return texts;
    }
    static void Click(QWidget* dlg, const char* button) {
        QTest::mouseClick(dlg->findChild<QPushButton*>(QString::fromLatin1(button)),
                          Qt::LeftButton);
    }
    // What the data file on disk holds now.
    std::vector<std::string> NotesOnDisk() const {
        CStore store;
        const QByteArray bytes = ReadBytes(QString::fromStdString(app.GetDataPath()));
        CDataFile::Read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        store);
        std::vector<std::string> notes;
        for (const auto& period : store.DoneTasks())
            notes.push_back(period->GetNotes() + (period->IsDeleted() ? "(deleted)" : ""));
        return notes;
    }

    QTemporaryDir dir;
    CPunchwellApp app{dir.path().toStdString()};
    FakeClock clock{kDay + 86400 * 5};
    FakePrompts prompts;
    CDoneTask* running = nullptr;
};

TEST_F(TimeRecords, ListsThePeriodsNewestFirstWithoutTheRunningOne) {
    auto dlg = Open();
    EXPECT_EQ(dlg->windowTitle(), QStringLiteral("Time Records For: Web"));
    EXPECT_EQ(Column(dlg.get(), 4), (QStringList{QStringLiteral("third"), QStringLiteral("second"),
                                                 QStringLiteral("first")}));
    EXPECT_EQ(Column(dlg.get(), 0),
              (QStringList{QStringLiteral("06/11/26"), QStringLiteral("06/10/26"),
                           QStringLiteral("06/09/26")}));
    EXPECT_EQ(Column(dlg.get(), 3).last(), QStringLiteral("09:00:00"));
    EXPECT_EQ(dlg->findChild<QLabel*>(QStringLiteral("activeCount"))->text(), QStringLiteral("3"));
    EXPECT_EQ(dlg->findChild<QLabel*>(QStringLiteral("deletedCount"))->text(), QStringLiteral("0"));
}

TEST_F(TimeRecords, SafeDeleteThenRestoreAndPermanentDeleteGoneFromTheFile) {
    auto dlg = Open();
    List(dlg.get())->setCurrentItem(List(dlg.get())->topLevelItem(1)); // "second"
    ModalDriver safe([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Delete Time Period"));
        EXPECT_TRUE(modal->findChild<QRadioButton*>(QStringLiteral("safeRadio"))->isChecked());
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    prompts.Expect("Success", "The time period was successfully removed.", MessageIcon::Information,
                   MessageButtons::Ok, MessageAnswer::Ok);
    Click(dlg.get(), "deletePeriodButton");
    ASSERT_TRUE(safe.Ran());
    EXPECT_EQ(dlg->ActiveCount(), 2);
    EXPECT_EQ(dlg->DeletedCount(), 1);
    EXPECT_EQ(NotesOnDisk(),
              (std::vector<std::string>{"first", "third", "second(deleted)", "not ours", ""}));

    prompts.Expect("Restore Complete", "Restored 1 time periods", MessageIcon::Information,
                   MessageButtons::Ok, MessageAnswer::Ok);
    Click(dlg.get(), "restoreButton");
    EXPECT_EQ(dlg->ActiveCount(), 3);
    Click(dlg.get(), "restoreButton"); // nothing to restore: no message at all

    List(dlg.get())->setCurrentItem(List(dlg.get())->topLevelItem(2)); // "first"
    ModalDriver permanent([](QWidget* modal) {
        QTest::mouseClick(modal->findChild<QRadioButton*>(QStringLiteral("permanentRadio")),
                          Qt::LeftButton);
        EXPECT_TRUE(modal->findChild<QPlainTextEdit*>(QStringLiteral("infoText"))
                        ->toPlainText()
                        .startsWith(QStringLiteral("Deleting a time period Permanently")));
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    prompts.Expect("Success", std::nullopt, MessageIcon::Information, MessageButtons::Ok,
                   MessageAnswer::Ok);
    Click(dlg.get(), "deletePeriodButton");
    ASSERT_TRUE(permanent.Ran());
    EXPECT_EQ(NotesOnDisk(), (std::vector<std::string>{"third", "second", "not ours", ""}));
    EXPECT_EQ(Column(dlg.get(), 4),
              (QStringList{QStringLiteral("third"), QStringLiteral("second")}));
}

TEST_F(TimeRecords, NotesAreEditedAndSavedOrLeftAloneOnCancel) {
    auto dlg = Open();
    QTreeWidgetItem* row = List(dlg.get())->topLevelItem(0);
    List(dlg.get())->setCurrentItem(row);
    ModalDriver edit([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Notes For 06/11/26 08:30:00"));
        auto* text = modal->findChild<QPlainTextEdit*>(QStringLiteral("notesEdit"));
        text->selectAll();
        QTest::keyClicks(text, QStringLiteral("rewritten"));
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("okButton")),
                          Qt::LeftButton);
    });
    Click(dlg.get(), "viewNotesButton");
    ASSERT_TRUE(edit.Ran());
    EXPECT_EQ(row->text(4), QStringLiteral("rewritten"));
    EXPECT_EQ(NotesOnDisk()[1], "rewritten");

    ModalDriver cancel([](QWidget* modal) {
        QTest::keyClicks(modal->findChild<QPlainTextEdit*>(QStringLiteral("notesEdit")),
                         QStringLiteral(" more"));
        QTest::mouseClick(modal->findChild<QPushButton*>(QStringLiteral("cancelButton")),
                          Qt::LeftButton);
    });
    const QPoint onRow = List(dlg.get())->visualItemRect(row).center();
    QTest::mouseClick(List(dlg.get())->viewport(), Qt::LeftButton, {}, onRow);
    QTest::mouseDClick(List(dlg.get())->viewport(), Qt::LeftButton, {}, onRow);
    ASSERT_TRUE(cancel.Ran());
    EXPECT_EQ(row->text(4), QStringLiteral("rewritten"));
    EXPECT_EQ(app.Store().FindDoneTask(kDay + 86400 * 2)->GetNotes(), "rewritten");
}

TEST_F(TimeRecords, StatusForShowsTheFiguresOnceOrClosesForAMissingProject) {
    setenv("TZ", "UTC", 1);
    tzset();
    clock.set(kDay + 86400 * 2 + 7200); // 2026-06-11 10:00, a Thursday
    CStatusDlg status(app, QStringLiteral("Web"));
    EXPECT_EQ(status.windowTitle(), QStringLiteral("Status For Web"));
    auto value = [&](const char* name) {
        return status.findChild<QLabel*>(QString::fromLatin1(name))->text();
    };
    EXPECT_EQ(value("todayValue"), QStringLiteral("00 : 30 : 00"));
    EXPECT_EQ(value("weekValue"), QStringLiteral("01 : 46 : 00")); // the running period counts
    EXPECT_EQ(value("totalValue"), QStringLiteral("01 : 46 : 00"));

    CStatusDlg missing(app, QStringLiteral("Nobody"));
    EXPECT_EQ(missing.exec(), QDialog::Accepted);
}

} // namespace
