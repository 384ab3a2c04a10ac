#include "GuiTestSupport.h"

#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/reports/Report.h"
#include "core/reports/ReportWriter.h"
#include "core/timing/PeriodRange.h"
#include "gui/reports/CustomReportDlg.h"
#include "gui/reports/QtReportPort.h"
#include "gui/reports/ReportActions.h"
#include "gui/reports/ReportItemDlg.h"
#include "gui/reports/ReportsDlg.h"
#include "gui/ui/HelpWindow.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDateTime>
#include <QDesktopServices>
#include <QLineEdit>
#include <QListWidget>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <map>
#include <memory>

namespace {

void Click(QWidget* parent, const char* name) {
    auto* button = Child<QAbstractButton>(parent, name);
    // Radio buttons and check boxes take clicks on their mark and text only, and a layout
    // may stretch them well past their text.
    const bool marked = qobject_cast<QRadioButton*>(button) || qobject_cast<QCheckBox*>(button);
    QTest::mouseClick(button, Qt::LeftButton, {},
                      marked ? QPoint(6, button->height() / 2) : QPoint());
}

void Type(QWidget* parent, const char* edit, const QString& text) {
    auto* box = Child<QLineEdit>(parent, edit);
    box->clear();
    QTest::keyClicks(box, text);
}

QStringList Entries(QWidget* dialog) {
    QStringList texts;
    auto* list = Child<QListWidget>(dialog, "itemList");
    for (int row = 0; row < list->count(); ++row)
        texts.append(list->item(row)->text());
    return texts;
}

// Acts on the modal dialog with this caption as soon as it is the one on top, so several
// can wait at once for the dialogs of one flow.
class DialogDriver {
public:
    DialogDriver(QString caption, std::function<void(QWidget*)> action)
        : m_caption(std::move(caption)), m_action(std::move(action)),
          m_deadline(QDateTime::currentMSecsSinceEpoch() + 10000) {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, &m_timer, [this] { Poll(); });
        m_timer.start();
    }
    ~DialogDriver() { EXPECT_TRUE(m_ran) << "dialog never shown: " << m_caption.toStdString(); }
    bool Ran() const { return m_ran; }

private:
    void Poll() {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal && modal->isVisible() && modal->windowTitle() == m_caption) {
            m_timer.stop();
            m_ran = true;
            m_action(modal);
            if (QApplication::activeModalWidget() == modal)
                modal->close();
        } else if (QDateTime::currentMSecsSinceEpoch() > m_deadline) {
            m_timer.stop();
        }
    }
    QString m_caption;
    std::function<void(QWidget*)> m_action;
    QTimer m_timer;
    qint64 m_deadline;
    bool m_ran = false;
};

class MemoryOptionsStorage final : public OptionsStorage {
public:
    std::map<std::string, std::uint32_t> ints;
    bool ReadInt(const std::string&, std::int64_t&) override { return false; }
    bool ReadString(const std::string&, std::string&) override { return false; }
    void WriteInt(const std::string& name, std::uint32_t value) override { ints[name] = value; }
    void WriteString(const std::string&, const std::string&) override {}
};

constexpr std::int32_t kNow = 1774465200; // Wednesday 2026-03-25 15:00 EDT
constexpr std::int32_t kHour = 3600;
constexpr std::int32_t kDay = 86400;

class ReportDialogs : public GuiTest {
protected:
    void SetUp() override {
        app.SetPrompts(prompts);
        app.SetClock(&clock);
        app.SetOptionsStorage(storage);
        for (const char* name : {"Web", "Admin", "Design"})
            app.Store().AppendTask(std::make_unique<CTask>(name));
    }
    void AddPeriod(const std::string& project, std::int32_t start, std::int32_t end,
                   const std::string& notes = {}) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(start);
        period->SetEnd(end);
        app.Store().AppendDoneTask(std::move(period));
    }
    QString Path(const char* name) const { return dir.filePath(QString::fromLatin1(name)); }

    coretest::ScopedTimeZone tz{"America/New_York"};
    QTemporaryDir dir;
    FakeClock clock{kNow};
    MemoryOptionsStorage storage;
    FakePrompts prompts;
    CPunchwellApp app{dir.path().toStdString()};
};

// --- Add Custom Report Item ----------------------------------------------------------

TEST_F(ReportDialogs, ItemDialogOpensOnTodayWithTheDatesGrayed) {
    CReport report;
    CReportItemDlg dlg(app.Store(), report, prompts, 2026);
    dlg.show();
    auto* projects = Child<QComboBox>(&dlg, "projectCombo");
    EXPECT_EQ(projects->currentIndex(), -1);
    ASSERT_EQ(projects->count(), 3);
    EXPECT_EQ(projects->itemText(0), QStringLiteral("Admin"));
    EXPECT_EQ(projects->itemText(2), QStringLiteral("Web"));
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "todayRadio")->isChecked());
    auto* startMonth = Child<QComboBox>(&dlg, "startMonthCombo");
    EXPECT_EQ(startMonth->currentIndex(), -1);
    EXPECT_EQ(startMonth->itemText(0), QStringLiteral("January"));
    EXPECT_EQ(startMonth->itemText(11), QStringLiteral("December"));
    EXPECT_EQ(Child<QLineEdit>(&dlg, "startDayEdit")->text(), QStringLiteral("1"));
    EXPECT_EQ(Child<QLineEdit>(&dlg, "endYearEdit")->text(), QStringLiteral("2026"));
    for (const char* name : {"startMonthCombo", "startDayEdit", "startYearEdit", "endMonthCombo",
                             "endDayEdit", "endYearEdit"})
        EXPECT_FALSE(Child<QWidget>(&dlg, name)->isEnabled()) << name;

    // "Other Time Period:" opens the dates at once; leaving it grays them at the next tick.
    Click(&dlg, "otherRadio");
    EXPECT_TRUE(startMonth->isEnabled());
    Click(&dlg, "weekRadio");
    EXPECT_TRUE(startMonth->isEnabled());
    EXPECT_TRUE(QTest::qWaitFor([&] { return !startMonth->isEnabled(); }, 1000));
    EXPECT_FALSE(Child<QLineEdit>(&dlg, "endDayEdit")->isEnabled());

    // Letters never reach the number boxes.
    Click(&dlg, "otherRadio");
    Type(&dlg, "startDayEdit", QStringLiteral("1a2"));
    EXPECT_EQ(Child<QLineEdit>(&dlg, "startDayEdit")->text(), QStringLiteral("12"));
}

TEST_F(ReportDialogs, ItemDialogChecksInOrderAndFocusesTheField) {
    struct Case {
        const char* name;
        std::function<void(QWidget*)> fill;
        std::vector<std::pair<std::string, std::string>> messages; // caption, text
        const char* focus;
    };
    auto other = [](QWidget* d, int startMonth, const QString& startDay, const QString& startYear,
                    int endMonth, const QString& endDay, const QString& endYear) {
        Child<QComboBox>(d, "projectCombo")->setCurrentIndex(2);
        Click(d, "otherRadio");
        Child<QComboBox>(d, "startMonthCombo")->setCurrentIndex(startMonth);
        Child<QComboBox>(d, "endMonthCombo")->setCurrentIndex(endMonth);
        Type(d, "startDayEdit", startDay);
        Type(d, "startYearEdit", startYear);
        Type(d, "endDayEdit", endDay);
        Type(d, "endYearEdit", endYear);
    };
    const QString y05 = QStringLiteral("2005");
    const Case cases[] = {
        {"no project",
         [](QWidget*) {},
         {{"No Project Selected", "Please select the project you would like to report on"}},
         "projectCombo"},
        {"no start month",
         [&](QWidget* d) { other(d, -1, QStringLiteral("1"), y05, -1, QStringLiteral("1"), y05); },
         {{"No Starting Month Selected", "Please select a starting month"}},
         "startMonthCombo"},
        {"no end month",
         [&](QWidget* d) { other(d, 0, QStringLiteral("1"), y05, -1, QStringLiteral("1"), y05); },
         {{"No Ending Month Selected", "Please select an ending month"}},
         "endMonthCombo"},
        {"empty start day",
         [&](QWidget* d) { other(d, 0, QString(), y05, 0, QStringLiteral("1"), y05); },
         {{"Punchwell", "Please enter a positive integer."},
          {"No Starting Day Entered", "Please enter a starting day"}},
         "startDayEdit"},
        {"empty end year",
         [&](QWidget* d) { other(d, 0, QStringLiteral("1"), y05, 0, QStringLiteral("1"), {}); },
         {{"Punchwell", "Please enter a positive integer."},
          {"No Ending Year Entered", "Please enter an ending year"}},
         "endYearEdit"},
        {"April 31",
         [&](QWidget* d) { other(d, 3, QStringLiteral("31"), y05, 4, QStringLiteral("1"), y05); },
         {{"Invalid Day Entered", "Please enter a number between 1 and 30"}},
         "startDayEdit"},
        {"February 29 at the end",
         [&](QWidget* d) { other(d, 0, QStringLiteral("1"), y05, 1, QStringLiteral("29"), y05); },
         {{"Invalid Day Entered", "Please enter a number between 1 and 28"}},
         "endDayEdit"},
        {"1979",
         [&](QWidget* d) {
             other(d, 0, QStringLiteral("1"), QStringLiteral("1979"), 0, QStringLiteral("1"), y05);
         },
         {{"Bad Starting Year", "Please enter a starting year between 1980 and 2034"}},
         "startYearEdit"},
        {"2035",
         [&](QWidget* d) {
             other(d, 0, QStringLiteral("1"), y05, 0, QStringLiteral("1"), QStringLiteral("2035"));
         },
         {{"Bad Ending Year", "Please enter an ending year between 1980 and 2034"}},
         "endYearEdit"},
        {"start after end",
         [&](QWidget* d) { other(d, 1, QStringLiteral("1"), y05, 0, QStringLiteral("31"), y05); },
         {{"Start Date After End Date",
           "The starting date your have entered is after the ending date."}},
         "startDayEdit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CReport report;
        FakePrompts local;
        CReportItemDlg dlg(app.Store(), report, local, 2026);
        dlg.show();
        c.fill(&dlg);
        for (const auto& [caption, text] : c.messages)
            local.Expect(caption, text, MessageIcon::Exclamation, MessageButtons::Ok,
                         MessageAnswer::Ok);
        Click(&dlg, "okButton");
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_FALSE(dlg.GetCheck().accepted);
        ASSERT_NE(dlg.focusWidget(), nullptr);
        EXPECT_EQ(dlg.focusWidget()->objectName(), QString::fromLatin1(c.focus));
    }

    // One whole day, and the last year allowed.
    for (const QString& year : {y05, QStringLiteral("2034")}) {
        CReport report;
        CReportItemDlg dlg(app.Store(), report, prompts, 2026);
        dlg.show();
        other(&dlg, 0, QStringLiteral("31"), year, 0, QStringLiteral("31"), year);
        Click(&dlg, "okButton");
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        const ReportItemCheck& check = dlg.GetCheck();
        EXPECT_TRUE(check.accepted);
        EXPECT_EQ(check.project, "Web");
        EXPECT_EQ(check.kind, PeriodOther);
        EXPECT_EQ(check.startYear, year.toInt());
        EXPECT_EQ(check.startMonth, 1);
        EXPECT_EQ(check.endDay, 31);
    }
}

TEST_F(ReportDialogs, ItemDialogDisablesTheKindsTheProjectHasAndRefusesNoKind) {
    CReport report;
    report.AddItem("Web", 0, 0, PeriodToday);
    report.AddItem("Web", 0, 0, PeriodOther);
    report.AddItem("Admin", 0, 0, PeriodTotal);
    CReportItemDlg dlg(app.Store(), report, prompts, 2026);
    dlg.show();
    auto* projects = Child<QComboBox>(&dlg, "projectCombo");
    auto* today = Child<QRadioButton>(&dlg, "todayRadio");
    projects->setCurrentIndex(projects->findText(QStringLiteral("Web")));
    EXPECT_FALSE(today->isEnabled());
    EXPECT_FALSE(today->isChecked());
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "otherRadio")->isEnabled());
    EXPECT_TRUE(Child<QRadioButton>(&dlg, "totalRadio")->isEnabled());

    // Nothing is checked now: OK is refused with a clear message.
    prompts.Expect("No Time Period Selected",
                   "Please select the time period you would like to report on",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    Click(&dlg, "okButton");
    EXPECT_TRUE(dlg.isVisible());

    projects->setCurrentIndex(projects->findText(QStringLiteral("Admin")));
    EXPECT_TRUE(today->isEnabled());
    EXPECT_FALSE(Child<QRadioButton>(&dlg, "totalRadio")->isEnabled());
    Click(&dlg, "yearRadio");
    Click(&dlg, "okButton");
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetCheck().kind, PeriodYear);
    EXPECT_EQ(dlg.GetCheck().project, "Admin");
}

// --- Generate Custom Report ----------------------------------------------------------

TEST_F(ReportDialogs, CustomReportAddsItemsThroughTheItemDialogAndDeletesExactlyOne) {
    CReport report;
    CCustomReportDlg dlg(app, prompts, &report);
    dlg.show();
    EXPECT_EQ(Child<QWidget>(&dlg, "addButton")->toolTip(),
              QStringLiteral("Adds a section to the report"));
    EXPECT_EQ(Child<QWidget>(&dlg, "itemList")->toolTip(),
              QStringLiteral("These are the sections that will be included in the report"));

    // Two fixed ranges of one project (January, February) and a week of another.
    auto addOther = [&](int month, const QString& lastDay) {
        DialogDriver driver(QStringLiteral("Add Custom Report Item"), [&](QWidget* d) {
            EXPECT_EQ(Child<QLineEdit>(d, "startYearEdit")->text(), QStringLiteral("2026"));
            auto* projects = Child<QComboBox>(d, "projectCombo");
            projects->setCurrentIndex(projects->findText(QStringLiteral("Web")));
            Click(d, "otherRadio");
            Child<QComboBox>(d, "startMonthCombo")->setCurrentIndex(month);
            Child<QComboBox>(d, "endMonthCombo")->setCurrentIndex(month);
            Type(d, "endDayEdit", lastDay);
            Click(d, "okButton");
        });
        Click(&dlg, "addButton");
    };
    addOther(0, QStringLiteral("31"));
    addOther(1, QStringLiteral("28"));
    {
        DialogDriver driver(QStringLiteral("Add Custom Report Item"), [&](QWidget* d) {
            auto* projects = Child<QComboBox>(d, "projectCombo");
            projects->setCurrentIndex(projects->findText(QStringLiteral("Design")));
            Click(d, "weekRadio");
            Click(d, "okButton");
        });
        Click(&dlg, "addButton");
    }
    EXPECT_EQ(Entries(&dlg), (QStringList{QStringLiteral("Design: Week to date"),
                                          QStringLiteral("Web: Other Time Period"),
                                          QStringLiteral("Web: Other Time Period")}));
    ASSERT_EQ(report.GetItemCount(), 3u);
    const CReportItem& week = *report.Items().front();
    EXPECT_EQ(week.GetKind(), PeriodWeek);
    EXPECT_EQ(week.GetEnd(), kNow);
    const CReportItem& february = **std::next(report.Items().begin());
    EXPECT_EQ(february.GetStart(), *LocalDayStart(2026, 2, 1));
    EXPECT_EQ(february.GetEnd(), *LocalDayEnd(2026, 2, 28));

    // Deleting the second of two equal entries removes its own item, whichever that is.
    auto* list = Child<QListWidget>(&dlg, "itemList");
    prompts.Expect("No Item Selected", "Please select an item and try again.",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    Click(&dlg, "deleteButton");
    const auto* bound =
        reinterpret_cast<const CReportItem*>(list->item(2)->data(Qt::UserRole).value<quintptr>());
    list->setCurrentRow(2);
    Click(&dlg, "deleteButton");
    EXPECT_EQ(list->count(), 2);
    ASSERT_EQ(report.GetItemCount(), 2u);
    for (const auto& item : report.Items())
        EXPECT_NE(item.get(), bound);
}

TEST_F(ReportDialogs, CustomReportSavesAndLoadsThroughRealFiles) {
    const std::string path = Path("custom.pnr").toStdString();
    CReport report;
    report.AddItem("Web", *LocalDayStart(2005, 1, 1), *LocalDayEnd(2005, 1, 31), PeriodOther);
    report.AddItem("Admin", 0, 0, PeriodToday);
    report.AddItem("Design", 0, 0, PeriodTotal);
    CCustomReportDlg dlg(app, prompts, &report);
    dlg.show();
    EXPECT_EQ(Entries(&dlg),
              (QStringList{QStringLiteral("Admin: Today"), QStringLiteral("Design: Total"),
                           QStringLiteral("Web: Other Time Period")}));

    prompts.ExpectSaveFile(path);
    Click(&dlg, "saveButton");
    ASSERT_EQ(prompts.fileRequests().size(), 1u);
    const FileDialogRequest& save = prompts.fileRequests()[0];
    EXPECT_EQ(save.initialName, "custom.pnr");
    EXPECT_EQ(save.defaultSuffix, "pnr");
    EXPECT_EQ(save.filter, "Punchwell Custom Report Files (*.pnr);;All Files (*)");
    EXPECT_EQ(coretest::ReadFile(path), report.EncodeItems());

    // Clear asks first; on an empty list it asks nothing.
    prompts.Expect({"Are You Sure?", "Are you sure you wish to clear the current report items?",
                    MessageIcon::Question, MessageButtons::YesNo, MessageAnswer::Yes, std::nullopt,
                    MessageAnswer::No});
    Click(&dlg, "clearButton");
    EXPECT_TRUE(Entries(&dlg).isEmpty());
    EXPECT_EQ(report.GetItemCount(), 0u);
    Click(&dlg, "clearButton");

    // Back in the saved order; an item whose project went meanwhile is dropped.
    ASSERT_TRUE(app.Store().RemoveTask("Admin"));
    prompts.ExpectOpenFile(path);
    Click(&dlg, "loadButton");
    EXPECT_EQ(Entries(&dlg), (QStringList{QStringLiteral("Design: Total"),
                                          QStringLiteral("Web: Other Time Period")}));
    ASSERT_EQ(report.GetItemCount(), 2u);
    EXPECT_EQ(report.Items().front()->GetProject(), "Design");
    EXPECT_EQ(report.Items().back()->GetStart(), *LocalDayStart(2005, 1, 1));
    EXPECT_EQ(report.Items().back()->GetEnd(), *LocalDayEnd(2005, 1, 31));

    // A damaged file and a missing one say so and change nothing.
    std::string damaged = coretest::ReadFile(path);
    damaged.resize(damaged.size() - 3);
    coretest::WriteFile(Path("damaged.pnr").toStdString(), damaged);
    for (const char* name : {"damaged.pnr", "missing.pnr"}) {
        const std::string bad = Path(name).toStdString();
        prompts.ExpectOpenFile(bad);
        prompts.Expect("Punchwell", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                       MessageAnswer::Ok);
        Click(&dlg, "loadButton");
        EXPECT_NE(prompts.shown().back().text.find(bad), std::string::npos)
            << prompts.shown().back().text;
        EXPECT_EQ(Entries(&dlg).size(), 2);
        EXPECT_EQ(report.GetItemCount(), 2u);
    }

    // A file that cannot be written is reported and the list stays.
    prompts.ExpectSaveFile(Path("no-such-folder/custom.pnr").toStdString());
    prompts.Expect("Punchwell", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok);
    Click(&dlg, "saveButton");
    EXPECT_EQ(report.GetItemCount(), 2u);

    // Cancelled file dialogs do nothing.
    prompts.ExpectOpenFile(std::nullopt);
    Click(&dlg, "loadButton");
    EXPECT_EQ(Entries(&dlg).size(), 2);
}

TEST_F(ReportDialogs, GenerateNeedsAnItem) {
    CCustomReportDlg dlg(app, prompts);
    dlg.show();
    prompts.Expect("No Items Added", "Please add a report item before generating a report.",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    Click(&dlg, "generateButton");
    EXPECT_TRUE(dlg.isVisible());
    dlg.GetReport().AddItem("Web", 0, 0, PeriodToday);
    CCustomReportDlg filled(app, prompts, &dlg.GetReport());
    filled.show();
    Click(&filled, "generateButton");
    EXPECT_EQ(filled.result(), QDialog::Accepted);
}

TEST_F(ReportDialogs, HelpOpensTheDialogsPage) {
    CCustomReportDlg custom(app, prompts);
    CReportsDlg reports;
    const std::pair<QWidget*, QString> cases[] = {{&custom, QStringLiteral("context9.html")},
                                                  {&reports, QStringLiteral("context8.html")}};
    for (const auto& [dialog, page] : cases) {
        dialog->show();
        Click(dialog, "helpButton");
        ASSERT_NE(CHelpWindow::Instance(), nullptr);
        EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), page);
        CHelpWindow::CloseHelp();
    }
}

// --- The report commands ----------------------------------------------------------------

// Choose Report Options: a title, period lines, notes on their first line.
void ChooseOptions(QWidget* d, const QString& title) {
    EXPECT_EQ(Child<QWidget>(d, "costPerHourCheck")->toolTip(),
              QStringLiteral("If checked, the report will contain calculations for money earned"));
    Type(d, "titleEdit", title);
    Click(d, "showPeriodsCheck");
    Click(d, "topLineRadio");
    Click(d, "okButton");
}

TEST_F(ReportDialogs, AllProjectsThisWeekWritesTheWritersFile) {
    AddPeriod("Web", kNow - 2 * kDay, kNow - 2 * kDay + 90 * 60, "first line\r\nsecond line");
    AddPeriod("Admin", kNow - kDay, kNow - kDay + kHour, "call <b>&</b> caf\xc3\xa9");
    AddPeriod("Design", kNow - 8 * kDay, kNow - 8 * kDay + kHour); // last week
    AddPeriod("Design", kNow - 2 * kHour, kNow - kHour);
    app.Options().m_wWeekStart = 1; // Monday
    const std::string path = Path("Week 12.html").toStdString();

    CReportActions actions(app, prompts, nullptr);
    DialogDriver options(QStringLiteral("Choose Report Options"), [](QWidget* d) {
        // OK is refused until there is a title and a notes method.
        ChooseOptions(d, QStringLiteral("Week 12"));
    });
    DialogDriver whatNext(QStringLiteral("What Next?"),
                          [](QWidget* d) { Click(d, "cancelButton"); });
    prompts.ExpectSaveFile(path);
    prompts.Expect("Success", "The requested report was successfully generated",
                   MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok, true);
    EXPECT_TRUE(actions.StandardReportAllProjects(PeriodWeek));
    EXPECT_EQ(prompts.fileRequests().back().initialName, "Week 12.html");

    CReport expected;
    AddAllProjectsItems(expected, app.Store(), PeriodWeek, kNow, 1);
    ReportOptions chosen;
    chosen.title = "Week 12";
    chosen.showPeriods = true;
    chosen.notesMode = TopLineOnly;
    chosen.pageLines = 15;
    const std::string written = coretest::ReadFile(path);
    EXPECT_EQ(written, RenderReport(expected, chosen, kNow, 1, app.Store()));
    // Sections in the reverse order of the project list; user text escaped.
    const auto design = written.find("\"Design\"");
    const auto admin = written.find("\"Admin\"");
    const auto web = written.find("\"Web\"");
    EXPECT_TRUE(design < admin && admin < web) << written;
    // The top line alone, without its line end's CR.
    EXPECT_NE(written.find("01:30:00   first line<P>"), std::string::npos);
    EXPECT_NE(written.find("call &lt;b&gt;&amp;&lt;/b&gt; caf&#233;"), std::string::npos);
}

TEST_F(ReportDialogs, OptionsAreCheckedAndPageLinesAreStoredAtOnceEvenWhenCancelled) {
    CReportActions actions(app, prompts, nullptr);
    DialogDriver options(QStringLiteral("Choose Report Options"), [this](QWidget* d) {
        prompts.Expect("No Title Specified", "Please enter a title for this report",
                       MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
        Click(d, "okButton");
        EXPECT_EQ(d->focusWidget()->objectName(), QStringLiteral("titleEdit"));
        Type(d, "titleEdit", QStringLiteral(" "));
        prompts.Expect("No Method Selected",
                       "Please select a method for dealing with multiline notes",
                       MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
        Click(d, "okButton");
        EXPECT_TRUE(d->isVisible());

        DialogDriver titlePage(QStringLiteral("Title Page Options"), [this](QWidget* t) {
            EXPECT_EQ(Child<QLineEdit>(t, "pageLinesEdit")->text(), QStringLiteral("15"));
            for (const char* bad : {"4", "51"}) {
                Type(t, "pageLinesEdit", QString::fromLatin1(bad));
                prompts.Expect("Punchwell", "Please enter an integer between 5 and 50.",
                               MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
                Click(t, "okButton");
                EXPECT_TRUE(t->isVisible());
            }
            Type(t, "pageLinesEdit", QStringLiteral("ten"));
            prompts.Expect("Punchwell", "Please enter an integer.", MessageIcon::Exclamation,
                           MessageButtons::Ok, MessageAnswer::Ok);
            Click(t, "okButton");
            Type(t, "pageLinesEdit", QStringLiteral("10"));
            Click(t, "okButton");
        });
        Click(d, "pageLinesButton");
        EXPECT_EQ(storage.ints["PageLines"], 10u);
        Click(d, "cancelButton");
    });
    prompts.ExpectSelectProject("", "Web");
    // A single-project report whose options are cancelled: no file, no message.
    EXPECT_FALSE(actions.StandardReportSingleProject(PeriodToday));
    EXPECT_EQ(app.GetOptions().m_wPageLines, 10);
    EXPECT_TRUE(QDir(dir.path()).entryList(QDir::Files).isEmpty());
}

TEST_F(ReportDialogs, ReportsDialogRunsItsChoiceWithTheTrayIconAwayMeanwhile) {
    std::vector<bool> tray;
    CReportActions actions(app, prompts, nullptr, [&tray](bool shown) { tray.push_back(shown); });
    const std::string path = Path("Design.html").toStdString();
    {
        DialogDriver reports(QStringLiteral("Reports"), [&tray](QWidget* d) {
            EXPECT_EQ(tray, std::vector<bool>{false});
            EXPECT_TRUE(Child<QRadioButton>(d, "todayRadio")->isChecked());
            EXPECT_TRUE(Child<QRadioButton>(d, "singleProjectRadio")->isChecked());
            Click(d, "yearRadio");
            Click(d, "okButton");
        });
        DialogDriver options(QStringLiteral("Choose Report Options"),
                             [](QWidget* d) { ChooseOptions(d, QStringLiteral("Design")); });
        DialogDriver whatNext(QStringLiteral("What Next?"),
                              [](QWidget* d) { Click(d, "cancelButton"); });
        prompts.ExpectSelectProject("", "Design", [&tray] {
            // The icon is not brought back between the dialogs of one command.
            EXPECT_EQ(tray, std::vector<bool>{false});
        });
        prompts.ExpectSaveFile(path);
        prompts.Expect("Success", "The requested report was successfully generated",
                       MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
        actions.ReportsDialog(true);
    }
    EXPECT_EQ(tray, (std::vector<bool>{false, true}));
    EXPECT_NE(coretest::ReadFile(path).find("(Year To Date)"), std::string::npos);

    // "&Custom..." goes on to the custom report; cancelling it shows nothing. The Status For
    // route leaves the tray icon alone.
    tray.clear();
    DialogDriver reports(QStringLiteral("Reports"), [](QWidget* d) { Click(d, "customButton"); });
    DialogDriver custom(QStringLiteral("Generate Custom Report"),
                        [](QWidget* d) { Click(d, "cancelButton"); });
    actions.StandardReportFromStatus();
    EXPECT_TRUE(tray.empty());
}

TEST_F(ReportDialogs, CustomReportFromTheContextMenuReportsAFailureAndNoWhatNext) {
    CReportActions actions(app, prompts, nullptr);
    DialogDriver custom(QStringLiteral("Generate Custom Report"), [](QWidget* d) {
        DialogDriver item(QStringLiteral("Add Custom Report Item"), [](QWidget* i) {
            Child<QComboBox>(i, "projectCombo")->setCurrentIndex(0);
            Click(i, "okButton");
        });
        Click(d, "addButton");
        EXPECT_EQ(Entries(d), QStringList{QStringLiteral("Admin: Today")});
        Click(d, "generateButton");
    });
    DialogDriver options(QStringLiteral("Choose Report Options"),
                         [](QWidget* d) { Click(d, "cancelButton"); });
    prompts.Expect("Generation Failure", "There was a problem generating the requested report",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    EXPECT_FALSE(actions.CustomReport(ReportCommand::CustomFromContextMenu));
}

// Catches what the desktop is asked to open.
class UrlCatcher : public QObject {
    Q_OBJECT

public:
    QList<QUrl> urls;
public slots:
    void Open(const QUrl& url) { urls.append(url); }
};

TEST_F(ReportDialogs, SavedReportsAreViewedThroughTheDesktopAndPrintedThroughThePrintDialog) {
    const QString report = Path("saved.html");
    ASSERT_TRUE(WriteBytes(report, QByteArrayLiteral("<HTML>\r\n<HEAD>\r\n<TITLE>t</TITLE></HEAD>"
                                                     "\r\n<BODY><PRE>hello</PRE></BODY></HTML>")));
    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("file"), &catcher, "Open");
    CReportActions actions(app, prompts, nullptr);
    prompts.ExpectOpenFile(report.toStdString());
    actions.ViewSavedReport();
    QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
    ASSERT_EQ(catcher.urls.size(), 1);
    EXPECT_EQ(catcher.urls[0], QUrl::fromLocalFile(report));
    const FileDialogRequest& open = prompts.fileRequests().back();
    EXPECT_EQ(open.initialName, "*.html");
    EXPECT_EQ(open.filter, "HTML Files (*.htm *.html);;All Files (*)");

    // Print offers the print dialog; cancelling it prints nothing.
    DialogDriver print(QStringLiteral("Print"), [](QWidget* d) {
        EXPECT_NE(qobject_cast<QPrintDialog*>(d), nullptr);
        qobject_cast<QDialog*>(d)->reject();
    });
    prompts.ExpectOpenFile(report.toStdString());
    actions.PrintSavedReport();

    // A file gone by the time it is printed is said, not printed blank.
    prompts.ExpectOpenFile(Path("gone.html").toStdString());
    prompts.Expect("Punchwell", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok);
    actions.PrintSavedReport();

    // What is printed is the page: to a PDF printer it comes out as a PDF.
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(Path("saved.pdf"));
    ASSERT_TRUE(CQtReportPort::PrintReportFile(report, printer));
    EXPECT_TRUE(ReadBytes(Path("saved.pdf")).startsWith("%PDF"));
    QString error;
    EXPECT_FALSE(CQtReportPort::PrintReportFile(Path("gone.html"), printer, &error));
    EXPECT_FALSE(error.isEmpty());
}

} // namespace

#include "ReportDialogsTest.moc"
