#include "GuiTestSupport.h"

#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DataFile.h"
#include "core/data/PeriodEditor.h"
#include "core/platform/LocalTime.h"
#include "core/reports/Report.h"
#include "core/reports/ReportWriter.h"
#include "gui/ui/TimeRecordsDlg.h"
#include "gui/ui/TypedDateTimeEdit.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTest>
#include <QTreeWidget>

#include <algorithm>
#include <memory>

namespace {

constexpr std::int32_t kJune11 = 1781136000; // 2026-06-11 00:00:00 UTC

constexpr std::int32_t At(int hour, int minute = 0) {
    return kJune11 + hour * 3600 + minute * 60;
}

// A button's mnemonic clicks it a moment later (an animated click): wait for the dialog it
// opens to have run.
bool RanAfterMnemonic(const ModalDriver& driver) {
    return QTest::qWaitFor([&] { return driver.Ran(); }, 5000);
}

// Keys go to the active window only; a window that a closed dialog left inactive (the
// offscreen platform does not hand activation back) is activated first.
void KeyOn(QWidget* widget, Qt::Key key, Qt::KeyboardModifiers modifiers) {
    QWidget* window = widget->window();
    if (!window->isActiveWindow()) {
        window->activateWindow();
        EXPECT_TRUE(QTest::qWaitForWindowActive(window));
    }
    QTest::keyClick(widget, key, modifiers);
}

// A dialog's driver starts as soon as the dialog is visible; keys need it active, with its
// first focus settled.
void Ready(QWidget* modal) {
    EXPECT_TRUE(QTest::qWaitForWindowActive(modal));
    QTest::qWait(20);
}

// Whatever the focus, types a whole "MM/dd/yyyy HH:mm:ss" over a date-time field.
void TypeDateTime(QDateTimeEdit* edit, const QString& text) {
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(edit, text);
}

class PeriodCorrections : public GuiTest {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        app.SetClock(&clock);
        app.SetPrompts(prompts);
        for (const char* name : {"Web", "Other"}) {
            auto task = std::make_unique<CTask>(name);
            app.Store().AddTask(task);
        }
        Add("Web", At(9) - 86400, At(10) - 86400, "yesterday");
        Add("Web", At(16), At(22), "forgot to check out");
    }
    void Add(const std::string& project, std::int32_t start, std::int32_t end,
             const std::string& notes) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(start);
        period->SetEnd(end);
        app.Store().AppendDoneTask(std::move(period));
    }
    std::unique_ptr<CTimeRecordsDlg> Open() {
        auto dlg = std::make_unique<CTimeRecordsDlg>(
            app, prompts, *app.Store().FindTask("Web"),
            CTimeRecordsDlg::Hooks{
                [] { return static_cast<const CDoneTask*>(nullptr); }, {}, &editor});
        dlg->show();
        dlg->activateWindow();
        // Mnemonics and Ctrl+Z reach only the active window.
        EXPECT_TRUE(QTest::qWaitForWindowActive(dlg.get()));
        return dlg;
    }
    static QTreeWidget* List(QWidget* dlg) {
        return dlg->findChild<QTreeWidget*>(QStringLiteral("recordList"));
    }
    template <typename W> static W* Child(QWidget* dlg, const char* name) {
        W* widget = dlg->findChild<W*>(QString::fromLatin1(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }
    // The store as the data file on disk holds it.
    std::unique_ptr<CStore> OnDisk() const {
        auto store = std::make_unique<CStore>();
        const QByteArray bytes = ReadBytes(QString::fromStdString(app.GetDataPath()));
        CDataFile::Read(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())),
                        *store);
        return store;
    }
    // "Web 06/11/26 16:00:00-18:00:00 notes", oldest first, deleted ones left out.
    std::vector<std::string> PeriodsOnDisk() const {
        const auto store = OnDisk();
        std::vector<const CDoneTask*> all;
        for (const auto& p : store->DoneTasks())
            if (!p->IsDeleted())
                all.push_back(p.get());
        std::sort(all.begin(), all.end(), [](const CDoneTask* a, const CDoneTask* b) {
            return a->GetStart() < b->GetStart();
        });
        std::vector<std::string> lines;
        for (const CDoneTask* p : all)
            lines.push_back(p->GetProject() + " " +
                            FormatLocal(p->GetStart(), "%m/%d/%y %H:%M:%S") + "-" +
                            FormatLocal(p->GetEnd(), "%H:%M:%S") + " " + p->GetNotes());
        return lines;
    }
    // The Status For dialog's total, opened with its button.
    QString StatusTotal(QWidget* dlg) {
        QString total;
        ModalDriver status([&](QWidget* modal) {
            total = Child<QLabel>(modal, "totalValue")->text();
            modal->close();
        });
        QTest::mouseClick(Child<QPushButton>(dlg, "statusButton"), Qt::LeftButton);
        EXPECT_TRUE(status.Ran());
        return total;
    }
    // A report of everything of `project`, with every period, from the file on disk.
    std::string Report(const std::string& project) const {
        const auto store = OnDisk();
        CReport report;
        report.AddItem(project, 0, 0, PeriodTotal);
        ReportOptions options;
        options.title = "All";
        options.showPeriods = true;
        return RenderReport(report, options, clock.Now(), 0, *store);
    }

    QTemporaryDir dir;
    CPunchwellApp app{dir.path().toStdString()};
    CPeriodEditor editor{app.Store()};
    FakeClock clock{At(12) + 86400};
    FakePrompts prompts;
};

TEST_F(PeriodCorrections, EnterEditsTheEndFrom22To18) {
    auto dlg = Open();
    QTreeWidget* list = List(dlg.get());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home); // the newest period, 16:00 to 22:00
    ModalDriver edit([](QWidget* modal) {
        Ready(modal);
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Edit Period"));
        EXPECT_EQ(Child<QLabel>(modal, "durationValue")->text(), QStringLiteral("06 : 00 : 00"));
        KeyOn(modal, Qt::Key_E, Qt::AltModifier); // the End field
        auto* end = Child<QDateTimeEdit>(modal, "endEdit");
        EXPECT_TRUE(QTest::qWaitFor([end] { return end->hasFocus(); }, 2000));
        TypeDateTime(end, QStringLiteral("06/11/2026 18:00:00"));
        EXPECT_EQ(Child<QLabel>(modal, "durationValue")->text(), QStringLiteral("02 : 00 : 00"));
        QTest::keyClick(end, Qt::Key_Return);
    });
    QTest::keyClick(list, Qt::Key_Return);
    ASSERT_TRUE(edit.Ran());
    EXPECT_TRUE(dlg->isVisible()) << "Enter on a row must not close Time Records";

    EXPECT_EQ(PeriodsOnDisk(),
              (std::vector<std::string>{"Web 06/10/26 09:00:00-10:00:00 yesterday",
                                        "Web 06/11/26 16:00:00-18:00:00 forgot to check out"}));
    EXPECT_EQ(List(dlg.get())->topLevelItem(0)->text(3), QStringLiteral("18:00:00"));
    EXPECT_EQ(StatusTotal(dlg.get()), QStringLiteral("03 : 00 : 00"));
    const std::string report = Report("Web");
    EXPECT_NE(report.find("06/11/26 16:00:00 - 06/11/26 18:00:00"), std::string::npos) << report;
    EXPECT_NE(report.find("Time Logged For \"Web\": 0 day(s), 03:00:00"), std::string::npos);
}

TEST_F(PeriodCorrections, AddAForgottenPeriodByKeys) {
    auto dlg = Open();
    ModalDriver add([](QWidget* modal) {
        Ready(modal);
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Add Period"));
        EXPECT_EQ(Child<QComboBox>(modal, "projectList")->currentText(), QStringLiteral("Web"));
        // Today, the hour before now.
        EXPECT_EQ(Child<QDateTimeEdit>(modal, "startEdit")->text(),
                  QStringLiteral("06/12/2026 11:00:00"));
        EXPECT_EQ(Child<QDateTimeEdit>(modal, "endEdit")->text(),
                  QStringLiteral("06/12/2026 12:00:00"));
        TypeDateTime(Child<QDateTimeEdit>(modal, "startEdit"),
                     QStringLiteral("06/11/2026 08:00:00"));
        KeyOn(modal, Qt::Key_E, Qt::AltModifier);
        TypeDateTime(Child<QDateTimeEdit>(modal, "endEdit"), QStringLiteral("06/11/2026 10:00:00"));
        KeyOn(modal, Qt::Key_N, Qt::AltModifier);
        auto* notes = Child<QPlainTextEdit>(modal, "notesEdit");
        QTest::keyClicks(notes, QStringLiteral("at the client's"));
        QTest::keyClick(notes, Qt::Key_Tab); // on to OK
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    KeyOn(dlg.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(RanAfterMnemonic(add));

    EXPECT_EQ(PeriodsOnDisk(),
              (std::vector<std::string>{"Web 06/10/26 09:00:00-10:00:00 yesterday",
                                        "Web 06/11/26 08:00:00-10:00:00 at the client's",
                                        "Web 06/11/26 16:00:00-22:00:00 forgot to check out"}));
    EXPECT_EQ(dlg->ActiveCount(), 3);
    EXPECT_EQ(StatusTotal(dlg.get()), QStringLiteral("09 : 00 : 00"));
    EXPECT_NE(Report("Web").find("06/11/26 08:00:00 - 06/11/26 10:00:00:  0 day(s), 02:00:00   "
                                 "at the client's"),
              std::string::npos);
}

TEST_F(PeriodCorrections, SplitOneIntoTwoProjects) {
    auto dlg = Open();
    QTreeWidget* list = List(dlg.get());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    ModalDriver split([](QWidget* modal) {
        Ready(modal);
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Split Period"));
        // The middle by default; the first part keeps the notes.
        EXPECT_EQ(Child<QDateTimeEdit>(modal, "splitEdit")->text(),
                  QStringLiteral("06/11/2026 19:00:00"));
        EXPECT_EQ(Child<QPlainTextEdit>(modal, "firstNotesEdit")->toPlainText(),
                  QStringLiteral("forgot to check out"));
        TypeDateTime(Child<QDateTimeEdit>(modal, "splitEdit"),
                     QStringLiteral("06/11/2026 20:00:00"));
        KeyOn(modal, Qt::Key_O, Qt::AltModifier); // second part's project
        auto* second = Child<QComboBox>(modal, "secondProjectList");
        EXPECT_TRUE(QTest::qWaitFor([second] { return second->hasFocus(); }, 2000));
        QTest::keyClicks(second, QStringLiteral("Other"));
        EXPECT_EQ(second->currentText(), QStringLiteral("Other"));
        KeyOn(modal, Qt::Key_T, Qt::AltModifier);
        QTest::keyClicks(Child<QPlainTextEdit>(modal, "secondNotesEdit"),
                         QStringLiteral("support calls"));
        EXPECT_EQ(Child<QLabel>(modal, "firstDurationValue")->text(),
                  QStringLiteral("04 : 00 : 00"));
        EXPECT_EQ(Child<QLabel>(modal, "secondDurationValue")->text(),
                  QStringLiteral("02 : 00 : 00"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
    });
    KeyOn(dlg.get(), Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(RanAfterMnemonic(split));

    EXPECT_EQ(PeriodsOnDisk(),
              (std::vector<std::string>{"Web 06/10/26 09:00:00-10:00:00 yesterday",
                                        "Web 06/11/26 16:00:00-20:00:00 forgot to check out",
                                        "Other 06/11/26 20:00:00-22:00:00 support calls"}));
    EXPECT_EQ(StatusTotal(dlg.get()), QStringLiteral("05 : 00 : 00"));
    EXPECT_NE(Report("Other").find("Time Logged For \"Other\": 0 day(s), 02:00:00"),
              std::string::npos);
    EXPECT_NE(Report("Web").find("Time Logged For \"Web\": 0 day(s), 05:00:00"), std::string::npos);
}

TEST_F(PeriodCorrections, SplitPartJoinsThePeriodOfItsProjectItOverlaps) {
    Add("Other", At(21), At(21, 30), "call");
    auto dlg = Open();
    QTreeWidget* list = List(dlg.get());
    list->setFocus();
    QTest::keyClick(list, Qt::Key_Home);
    ModalDriver split([](QWidget* modal) {
        Ready(modal);
        auto* check = Child<QCheckBox>(modal, "joinCheck");
        EXPECT_FALSE(check->isVisible()) << "nothing to join yet";
        TypeDateTime(Child<QDateTimeEdit>(modal, "splitEdit"),
                     QStringLiteral("06/11/2026 20:00:00"));
        KeyOn(modal, Qt::Key_O, Qt::AltModifier);
        auto* second = Child<QComboBox>(modal, "secondProjectList");
        EXPECT_TRUE(QTest::qWaitFor([second] { return second->hasFocus(); }, 2000));
        QTest::keyClicks(second, QStringLiteral("Other"));
        EXPECT_EQ(Child<QLabel>(modal, "problemLabel")->text(),
                  QStringLiteral("This period overlaps another period of Other: 06/11/26 "
                                 "21:00:00 to 21:30:00."));
        EXPECT_TRUE(check->isVisible());
        KeyOn(modal, Qt::Key_J, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([check] { return check->isChecked(); }, 5000));
        EXPECT_TRUE(Child<QLabel>(modal, "problemLabel")->isHidden());
        QTest::mouseClick(Child<QPushButton>(modal, "okButton"), Qt::LeftButton);
    });
    KeyOn(dlg.get(), Qt::Key_P, Qt::AltModifier);
    ASSERT_TRUE(RanAfterMnemonic(split));
    EXPECT_EQ(PeriodsOnDisk(),
              (std::vector<std::string>{"Web 06/10/26 09:00:00-10:00:00 yesterday",
                                        "Web 06/11/26 16:00:00-20:00:00 forgot to check out",
                                        "Other 06/11/26 20:00:00-22:00:00 call"}));
}

TEST_F(PeriodCorrections, OverlapOpensTheOtherPeriodOrJoinsAndCtrlZUndoes) {
    const QByteArray original = [&] {
        app.SaveData();
        return ReadBytes(QString::fromStdString(app.GetDataPath()));
    }();
    auto dlg = Open();
    // Add 21:00 to 23:00 over the 16:00 to 22:00 period: refused, and the other one opened.
    std::unique_ptr<ModalDriver> other;
    QString otherStart;
    prompts.Expect("Periods Overlap", std::nullopt, MessageIcon::Question, MessageButtons::YesNo,
                   MessageAnswer::Yes);
    ModalDriver add([&](QWidget* modal) {
        Ready(modal);
        TypeDateTime(Child<QDateTimeEdit>(modal, "startEdit"),
                     QStringLiteral("06/11/2026 21:00:00"));
        TypeDateTime(Child<QDateTimeEdit>(modal, "endEdit"), QStringLiteral("06/11/2026 23:00:00"));
        EXPECT_EQ(Child<QLabel>(modal, "problemLabel")->text(),
                  QStringLiteral("This period overlaps another period of Web: 06/11/26 16:00:00 "
                                 "to 22:00:00."));
        other = std::make_unique<ModalDriver>([&](QWidget* next) {
            otherStart = Child<QDateTimeEdit>(next, "startEdit")->text();
            QTest::keyClick(next, Qt::Key_Escape);
        });
        QTest::mouseClick(Child<QPushButton>(modal, "okButton"), Qt::LeftButton);
    });
    KeyOn(dlg.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(RanAfterMnemonic(add));
    ASSERT_TRUE(other && other->Ran());
    EXPECT_EQ(otherStart, QStringLiteral("06/11/2026 16:00:00"));
    EXPECT_EQ(ReadBytes(QString::fromStdString(app.GetDataPath())), original);

    // The same, joined: one period 16:00 to 23:00 with both notes.
    ModalDriver join([&](QWidget* modal) {
        Ready(modal);
        TypeDateTime(Child<QDateTimeEdit>(modal, "startEdit"),
                     QStringLiteral("06/11/2026 21:00:00"));
        TypeDateTime(Child<QDateTimeEdit>(modal, "endEdit"), QStringLiteral("06/11/2026 23:00:00"));
        QTest::keyClicks(Child<QPlainTextEdit>(modal, "notesEdit"), QStringLiteral("late"));
        auto* check = Child<QCheckBox>(modal, "joinCheck");
        EXPECT_TRUE(check->isVisible());
        KeyOn(modal, Qt::Key_J, Qt::AltModifier);
        EXPECT_TRUE(QTest::qWaitFor([check] { return check->isChecked(); }, 5000));
        EXPECT_TRUE(Child<QLabel>(modal, "problemLabel")->isHidden());
        QTest::mouseClick(Child<QPushButton>(modal, "okButton"), Qt::LeftButton);
    });
    KeyOn(dlg.get(), Qt::Key_A, Qt::AltModifier);
    ASSERT_TRUE(RanAfterMnemonic(join));
    EXPECT_EQ(PeriodsOnDisk(), (std::vector<std::string>{
                                   "Web 06/10/26 09:00:00-10:00:00 yesterday",
                                   "Web 06/11/26 16:00:00-23:00:00 late\nforgot to check out"}));

    // Ctrl+Z: the file holds again exactly what it held.
    KeyOn(List(dlg.get()), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(QString::fromStdString(app.GetDataPath())), original);
    EXPECT_EQ(dlg->ActiveCount(), 2);
    // Nothing more to undo: nothing happens, no message.
    KeyOn(List(dlg.get()), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(ReadBytes(QString::fromStdString(app.GetDataPath())), original);
}

TEST_F(PeriodCorrections, DeleteIsUndoneToo) {
    app.SaveData();
    const QByteArray original = ReadBytes(QString::fromStdString(app.GetDataPath()));
    auto dlg = Open();
    List(dlg.get())->setCurrentItem(List(dlg.get())->topLevelItem(0));
    ModalDriver remove([](QWidget* modal) {
        QTest::mouseClick(Child<QPushButton>(modal, "okButton"), Qt::LeftButton);
    });
    prompts.Expect("Success", std::nullopt, MessageIcon::Information, MessageButtons::Ok,
                   MessageAnswer::Ok);
    QTest::mouseClick(Child<QPushButton>(dlg.get(), "deletePeriodButton"), Qt::LeftButton);
    ASSERT_TRUE(remove.Ran());
    EXPECT_EQ(dlg->DeletedCount(), 1);
    KeyOn(dlg.get(), Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(dlg->DeletedCount(), 0);
    EXPECT_EQ(ReadBytes(QString::fromStdString(app.GetDataPath())), original);
}

// A time typed as it is written lands field by field, whichever field the typing starts in
// and whether the person types the separators or lets the box move on by itself.
TEST(TypedDateTimeEdit, TakesATimeAsItIsWritten) {
    struct Case {
        const char* name;
        QDateTimeEdit::Section from;
        QString typed;
        QString shown;
    };
    const Case cases[] = {
        {"hour with separators", QDateTimeEdit::HourSection, QStringLiteral("10:30:00"),
         QStringLiteral("06/11/2026 10:30:00")},
        {"hour without separators", QDateTimeEdit::HourSection, QStringLiteral("103015"),
         QStringLiteral("06/11/2026 10:30:15")},
        {"a one-digit hour moves on at its separator", QDateTimeEdit::HourSection,
         QStringLiteral("9:05:07"), QStringLiteral("06/11/2026 09:05:07")},
        {"date and time", QDateTimeEdit::MonthSection, QStringLiteral("07/04/2026 08:15:00"),
         QStringLiteral("07/04/2026 08:15:00")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CTypedDateTimeEdit edit;
        edit.setDisplayFormat(QStringLiteral("MM/dd/yyyy HH:mm:ss"));
        edit.setDateTime(QDateTime(QDate(2026, 6, 11), QTime(22, 0, 0)));
        edit.show();
        edit.activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(&edit));
        edit.setFocus();
        edit.setSelectedSection(c.from);
        QTest::keyClicks(&edit, c.typed);
        EXPECT_EQ(edit.text().toStdString(), c.shown.toStdString());
    }
}

} // namespace
