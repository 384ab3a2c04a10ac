// File > Load Data, Save Data, Restore From Backup and Export Data as Text in the main
// window, and a data file handed over by a later start.
#include "GuiTestSupport.h"
#include "core/app/DataLoad.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/platform/Clock.h"
#include "gui/ui/LoadDataFileDlg.h"
#include "gui/ui/MergeProgressDlg.h"
#include "gui/ui/PunchwellDlg.h"
#include "gui/ui/RestoreBackupDlg.h"
#include "support/FakeClock.h"
#include "support/FakePrompts.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QEvent>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QTest>
#include <QTreeWidget>

#include <gtest/gtest.h>

#include <memory>

namespace {

// 2023-11-14 22:13:20 UTC, and 09:00 of that day.
constexpr std::int32_t kT0 = 1700000000;
constexpr std::int32_t k0900 = 1699952400;
constexpr std::int32_t kHour = 3600;

const std::string kOpenQuestion =
    "Before you load new data, you must first check out. Would you like to check out now?";

// Notes every "Merging Records..." window that shows, with its progress bar's state then.
class ProgressWatch : public QObject {
public:
    ProgressWatch() { qApp->installEventFilter(this); }
    ~ProgressWatch() override { qApp->removeEventFilter(this); }
    QStringList titles;
    bool Fired() const { return !titles.isEmpty(); }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show &&
            watched->objectName() == QStringLiteral("MergeProgressDlg")) {
            auto* window = static_cast<QWidget*>(watched);
            titles << window->windowTitle();
            EXPECT_NE(window->findChild<QProgressBar*>(QStringLiteral("progressBar")), nullptr);
            EXPECT_TRUE(window->findChildren<QPushButton*>().isEmpty()) << "buttons on it";
        }
        return false;
    }
};

// The scripted answers for every question, and the program's real Load Data File dialog and
// progress window, which these tests drive as a person would.
class DialogPrompts final : public Prompts {
public:
    DialogPrompts(FakePrompts& fake, QWidget& window) : m_fake(fake), m_window(window) {}

    MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                      MessageButtons buttons, bool owned,
                      std::optional<MessageAnswer> defaultAnswer) override {
        return m_fake.Ask(caption, text, icon, buttons, owned, defaultAnswer);
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        return m_fake.ChooseOpenFile(request);
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        return m_fake.ChooseSaveFile(request);
    }
    std::optional<std::string> AskNotes(const std::string& project,
                                        const std::string& notes) override {
        return m_fake.AskNotes(project, notes);
    }
    std::optional<LoadMethod> ChooseLoadMethod(bool owned) override {
        return CLoadDataFileDlg::Choose(m_fake, owned ? &m_window : nullptr);
    }
    void ShowProgress(bool owned) override {
        m_progress = std::make_unique<CMergeProgressDlg>(owned ? &m_window : nullptr);
        m_progress->Open();
    }
    void SetProgress(std::size_t done, std::size_t total) override {
        m_progress->SetProgress(done, total);
    }
    void HideProgress() override { m_progress.reset(); }
    std::optional<DatedCopy> ChooseDatedCopy(const std::vector<DatedCopySummary>& copies,
                                             const std::string& folder) override {
        CRestoreBackupDlg dialog(copies, QString::fromStdString(folder), &m_window);
        if (dialog.exec() != QDialog::Accepted || dialog.GetSelected() == nullptr)
            return std::nullopt;
        return dialog.GetSelected()->copy;
    }

private:
    FakePrompts& m_fake;
    QWidget& m_window;
    std::unique_ptr<CMergeProgressDlg> m_progress;
};

class DataCommandsTest : public GuiTest {
protected:
    void SetUp() override {
        setenv("TZ", "UTC", 1);
        tzset();
        m_app.SetPrompts(m_dialogs);
        m_app.SetClock(&m_clock);
        m_app.Options().m_bShowNotes = 0;
        m_app.Options().m_bShowListOnStart = 0;
    }

    // The main file holds these records; the program reads it and the window starts.
    void Start(const std::vector<std::string>& projects, const std::vector<TestPeriod>& periods) {
        ASSERT_TRUE(WriteBytes(MainPath(), MakeDataFile(projects, periods)));
        m_app.LoadData();
        ASSERT_FALSE(m_app.LoadFailed());
        m_dlg.Initialise();
        m_mainBefore = ReadBytes(MainPath());
    }

    QString MainPath() const { return m_dataDir.filePath(QStringLiteral("timedata.pnd")); }
    QString OtherFile(const std::vector<std::string>& projects,
                      const std::vector<TestPeriod>& periods) {
        const QString path = m_otherDir.filePath(QStringLiteral("other.pnd"));
        EXPECT_TRUE(WriteBytes(path, MakeDataFile(projects, periods)));
        return path;
    }
    QStringList BeforeLoadCopies() const {
        return QDir(m_dataDir.path())
            .entryList({QStringLiteral("timedata.before-load-*.pnd")}, QDir::Files);
    }
    QStringList ComboEntries() {
        auto* combo = Child<QComboBox>(&m_dlg, "projectCombo");
        QStringList entries;
        for (int i = 0; i < combo->count(); ++i)
            entries << combo->itemText(i);
        return entries;
    }
    std::vector<std::string> ProjectNames() const {
        std::vector<std::string> names;
        for (const auto& task : m_app.Store().Tasks())
            names.push_back(task->GetName());
        return names;
    }
    void Trigger(const char* action) { Child<QAction>(&m_dlg, action)->trigger(); }

    // Answers the Load Data File dialog: the method's radio button (none for nullptr), then
    // the button.
    std::unique_ptr<ModalDriver> AnswerLoadDialog(const char* radio, const char* button) {
        return std::make_unique<ModalDriver>([radio, button](QWidget* w) {
            auto* dialog = qobject_cast<CLoadDataFileDlg*>(w);
            ASSERT_NE(dialog, nullptr) << w->windowTitle().toStdString();
            if (radio != nullptr)
                QTest::mouseClick(Child<QRadioButton>(dialog, radio), Qt::LeftButton);
            QTest::mouseClick(Child<QPushButton>(dialog, button), Qt::LeftButton);
        });
    }

    // Nothing in memory or on disk has changed since Start.
    void ExpectNothingChanged(const std::vector<std::string>& projects) {
        EXPECT_EQ(ProjectNames(), projects);
        EXPECT_EQ(ReadBytes(MainPath()), m_mainBefore);
        EXPECT_TRUE(BeforeLoadCopies().isEmpty());
    }

    QTemporaryDir m_dataDir;
    QTemporaryDir m_otherDir;
    FakePrompts m_prompts;
    FakeClock m_clock{kT0};
    CPunchwellSession m_session{m_dataDir.path().toStdString()};
    CPunchwellApp& m_app = m_session.App();
    CPunchwellDlg m_dlg{m_session};
    DialogPrompts m_dialogs{m_prompts, m_dlg};
    QByteArray m_mainBefore;
};

TEST_F(DataCommandsTest, FileMenuOffersTheThreeCommandsWithTheirShortcuts) {
    Start({"Web"}, {});
    for (const char* name : {"actionLoadData", "actionSaveData", "actionExportData"})
        EXPECT_TRUE(Child<QAction>(&m_dlg, name)->isEnabled()) << name;
    EXPECT_EQ(Child<QAction>(&m_dlg, "actionLoadData")->text(),
              QStringLiteral("&Load Data...\tF5"));
    EXPECT_EQ(Child<QAction>(&m_dlg, "actionSaveData")->text(),
              QStringLiteral("&Save Data...\tF7"));
    EXPECT_EQ(Child<QAction>(&m_dlg, "actionExportData")->text(),
              QStringLiteral("Export Data as Text...\tShift+F7"));

    // The shortcuts reach the commands: each opens its file dialog, cancelled here.
    m_prompts.ExpectSaveFile(std::nullopt).ExpectSaveFile(std::nullopt);
    EXPECT_TRUE(m_dlg.DispatchShortcut(QKeySequence(Qt::Key_F7)));
    EXPECT_TRUE(m_dlg.DispatchShortcut(QKeySequence(Qt::SHIFT | Qt::Key_F7)));
    auto driver = AnswerLoadDialog(nullptr, "cancelButton");
    EXPECT_TRUE(m_dlg.DispatchShortcut(QKeySequence(Qt::Key_F5)));
    EXPECT_TRUE(driver->Ran());
    ASSERT_EQ(m_prompts.fileRequests().size(), 2u);
    EXPECT_EQ(m_prompts.fileRequests()[0].initialName, "timedata.pnd");
    EXPECT_EQ(m_prompts.fileRequests()[1].initialName, "timedata.txt");
}

TEST_F(DataCommandsTest, LoadDataFileDialogExplainsEachMethodAndRefusesOkWithoutOne) {
    CLoadDataFileDlg dialog(m_prompts, &m_dlg);
    dialog.show();
    auto* replace = Child<QRadioButton>(&dialog, "replaceRadio");
    auto* merge = Child<QRadioButton>(&dialog, "mergeRadio");
    auto* info = Child<QPlainTextEdit>(&dialog, "infoEdit");
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Load Data File"));
    EXPECT_EQ(Child<QWidget>(&dialog, "promptLabel")->property("text").toString(),
              QStringLiteral("Please choose the method with which Punchwell should load the "
                             "data file."));
    EXPECT_EQ(replace->text(), QStringLiteral("Replace All Data"));
    EXPECT_EQ(merge->text(), QStringLiteral("Merge Files"));
    EXPECT_FALSE(replace->isChecked());
    EXPECT_FALSE(merge->isChecked());
    EXPECT_TRUE(info->isReadOnly());
    EXPECT_EQ(info->toPlainText(),
              QStringLiteral("Information about the selected option will appear here."));

    m_prompts.Expect("No Method Selected", "Please select a method for loading the Punchwell data.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok, true);
    QTest::mouseClick(Child<QPushButton>(&dialog, "okButton"), Qt::LeftButton);
    EXPECT_TRUE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), 0);
    EXPECT_FALSE(dialog.GetMethod());

    QTest::mouseClick(replace, Qt::LeftButton);
    EXPECT_EQ(info->toPlainText(),
              QStringLiteral("If this option is used, then Punchwell will take the current data, "
                             "and replace it with the data from the selected file."));
    QTest::mouseClick(merge, Qt::LeftButton);
    EXPECT_FALSE(replace->isChecked());
    EXPECT_EQ(info->toPlainText(),
              QStringLiteral("If this option is used, then Punchwell will take the data from the "
                             "selected file, and add it to the current data file. Any records "
                             "that overlap will be merged."));
    QTest::mouseClick(Child<QPushButton>(&dialog, "okButton"), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_EQ(dialog.GetMethod(), LoadMethod::MergeFiles);
}

TEST_F(DataCommandsTest, YesChecksOutFirstAndCancelledNotesStopTheLoad) {
    Start({"Web"}, {});
    m_app.Options().m_bShowNotes = 1;
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Web")));
    const QByteArray checkedIn = ReadBytes(MainPath());

    // Cancelled notes: still checked in, nothing else happens.
    m_prompts
        .Expect("Check Out?", kOpenQuestion, MessageIcon::Question, MessageButtons::YesNo,
                MessageAnswer::Yes)
        .ExpectNotes("Web", std::nullopt);
    Trigger("actionLoadData");
    EXPECT_TRUE(m_dlg.IsCheckedIn());
    EXPECT_EQ(ReadBytes(MainPath()), checkedIn);

    // Notes given: checked out and saved, then the Load Data File dialog (cancelled here).
    m_prompts
        .Expect("Check Out?", kOpenQuestion, MessageIcon::Question, MessageButtons::YesNo,
                MessageAnswer::Yes)
        .ExpectNotes("Web", "done");
    auto driver = AnswerLoadDialog(nullptr, "cancelButton");
    Trigger("actionLoadData");
    EXPECT_TRUE(driver->Ran());
    EXPECT_FALSE(m_dlg.IsCheckedIn());
    EXPECT_EQ(Child<QPushButton>(&m_dlg, "checkInOutButton")->text(), QStringLiteral("&Check In"));
    ASSERT_EQ(m_app.Store().DoneTasks().size(), 1u);
    EXPECT_FALSE(m_app.Store().DoneTasks().front()->IsRunning());
    EXPECT_EQ(m_app.Store().DoneTasks().front()->GetNotes(), "done");
    EXPECT_TRUE(m_prompts.fileRequests().empty());
}

// Every way out before the file is read leaves the data as it was.
TEST_F(DataCommandsTest, CancelAtEachStepChangesNothing) {
    Start({"Web"}, {{"Web", k0900, k0900 + kHour, "a"}});
    const QString other = OtherFile({"Mail"}, {{"Mail", k0900, k0900 + kHour, ""}});

    {
        SCOPED_TRACE("Cancel in the Load Data File dialog");
        auto driver = AnswerLoadDialog("replaceRadio", "cancelButton");
        Trigger("actionLoadData");
        EXPECT_TRUE(driver->Ran());
        EXPECT_TRUE(m_prompts.fileRequests().empty());
        ExpectNothingChanged({"Web"});
    }
    {
        SCOPED_TRACE("OK without a method, then Cancel");
        m_prompts.Expect("No Method Selected", std::nullopt, MessageIcon::Information,
                         MessageButtons::Ok, MessageAnswer::Ok);
        bool stayedOpen = false;
        ModalDriver driver([&](QWidget* w) {
            QTest::mouseClick(Child<QPushButton>(w, "okButton"), Qt::LeftButton);
            stayedOpen = w->isVisible() && QApplication::activeModalWidget() == w;
            QTest::mouseClick(Child<QPushButton>(w, "cancelButton"), Qt::LeftButton);
        });
        Trigger("actionLoadData");
        EXPECT_TRUE(driver.Ran());
        EXPECT_TRUE(stayedOpen);
        EXPECT_TRUE(m_prompts.fileRequests().empty());
        ExpectNothingChanged({"Web"});
    }
    {
        SCOPED_TRACE("Cancel in the Open dialog");
        m_prompts.ExpectOpenFile(std::nullopt);
        auto driver = AnswerLoadDialog("mergeRadio", "okButton");
        Trigger("actionLoadData");
        EXPECT_TRUE(driver->Ran());
        ASSERT_EQ(m_prompts.fileRequests().size(), 1u);
        const FileDialogRequest& request = m_prompts.fileRequests().front();
        EXPECT_EQ(request.filter, "Punchwell Data Files (*.pnd);;All Files (*)");
        EXPECT_EQ(request.defaultSuffix, "pnd");
        EXPECT_EQ(request.initialName, "timedata.pnd");
        ExpectNothingChanged({"Web"});
    }
    {
        SCOPED_TRACE("A file that is not there");
        const std::string missing = m_otherDir.filePath(QStringLiteral("gone.pnd")).toStdString();
        m_prompts.ExpectOpenFile(missing).Expect(CDataLoad::kNotReadableCaption, std::nullopt,
                                                 MessageIcon::Exclamation, MessageButtons::Ok,
                                                 MessageAnswer::Ok);
        auto driver = AnswerLoadDialog("replaceRadio", "okButton");
        Trigger("actionLoadData");
        EXPECT_TRUE(driver->Ran());
        EXPECT_NE(m_prompts.shown().back().text.find(missing), std::string::npos)
            << m_prompts.shown().back().text;
        ExpectNothingChanged({"Web"});
    }
    (void)other;
}

TEST_F(DataCommandsTest, ReplaceAllDataTakesTheFileKeepsACopyAndRefillsTheList) {
    Start({"Web", "Garden"}, {{"Web", k0900, k0900 + kHour, "mine"}});
    const QString other = OtherFile({"Mail", "Books"}, {{"Mail", k0900, k0900 + 2 * kHour, "x"},
                                                        {"Books", k0900, k0900 + kHour, ""}});
    m_prompts.ExpectOpenFile(other.toStdString());
    ProgressWatch progress;
    auto driver = AnswerLoadDialog("replaceRadio", "okButton");

    Trigger("actionLoadData");

    ASSERT_TRUE(driver->Ran());
    EXPECT_FALSE(progress.Fired()) << "a merge window for a replace";
    EXPECT_EQ(ProjectNames(), (std::vector<std::string>{"Mail", "Books"}));
    EXPECT_EQ(ComboEntries(), (QStringList{QStringLiteral("Mail"), QStringLiteral("Books"),
                                           QStringLiteral("New Project...")}));
    ASSERT_EQ(m_app.Store().DoneTasks().size(), 2u);
    // The main file holds the new data, and the old one is kept beside it.
    CPunchwellApp reader(m_dataDir.path().toStdString());
    reader.LoadData();
    ASSERT_EQ(reader.Store().Tasks().size(), 2u);
    EXPECT_EQ(reader.Store().Tasks().front()->GetName(), "Mail");
    const QStringList copies = BeforeLoadCopies();
    ASSERT_EQ(copies.size(), 1);
    EXPECT_EQ(ReadBytes(m_dataDir.filePath(copies.first())), m_mainBefore);
}

TEST_F(DataCommandsTest, MergeFilesJoinsOverlapsShowsProgressAndSaves) {
    Start({"Web"}, {{"Web", k0900, k0900 + kHour, "a"}});
    const QString other =
        OtherFile({"Web", "Mail"}, {{"Web", k0900 + kHour / 2, k0900 + 2 * kHour, "b"},
                                    {"Mail", k0900, k0900 + kHour, "m"}});
    m_prompts.ExpectOpenFile(other.toStdString());
    ProgressWatch progress;
    auto driver = AnswerLoadDialog("mergeRadio", "okButton");

    Trigger("actionLoadData");

    ASSERT_TRUE(driver->Ran());
    EXPECT_EQ(progress.titles, QStringList{QStringLiteral("Merging Records...")});
    EXPECT_EQ(m_dlg.findChild<QWidget*>(QStringLiteral("MergeProgressDlg")), nullptr)
        << "the progress window outlived the merge";
    EXPECT_EQ(ComboEntries(), (QStringList{QStringLiteral("Web"), QStringLiteral("Mail"),
                                           QStringLiteral("New Project...")}));

    CPunchwellApp reader(m_dataDir.path().toStdString());
    reader.LoadData();
    std::vector<std::string> periods;
    for (const auto& p : reader.Store().DoneTasks())
        periods.push_back(p->GetProject() + " " + std::to_string(p->GetStart() - k0900) + "-" +
                          std::to_string(p->GetEnd() - k0900) + " " + p->GetNotes());
    std::sort(periods.begin(), periods.end());
    EXPECT_EQ(periods, (std::vector<std::string>{"Mail 0-3600 m", "Web 0-7200 a\nb"}));
    EXPECT_EQ(BeforeLoadCopies().size(), 1);
}

TEST_F(DataCommandsTest, DamagedFileAnsweredNoChangesNothing) {
    Start({"Web"}, {{"Web", k0900, k0900 + kHour, "a"}});
    const QString path = m_otherDir.filePath(QStringLiteral("cut.pnd"));
    const QByteArray whole =
        MakeDataFile({"Mail", "Books"}, {{"Mail", k0900, k0900 + kHour, "first"},
                                         {"Books", k0900, k0900 + kHour, "second"}});
    ASSERT_TRUE(WriteBytes(path, whole.left(whole.size() - 7)));
    m_prompts.ExpectOpenFile(path.toStdString())
        .Expect({CDataLoad::kDamagedCaption, std::nullopt, MessageIcon::Exclamation,
                 MessageButtons::YesNo, MessageAnswer::No, std::nullopt, MessageAnswer::No});
    auto driver = AnswerLoadDialog("replaceRadio", "okButton");

    Trigger("actionLoadData");

    ASSERT_TRUE(driver->Ran());
    const std::string& question = m_prompts.shown().back().text;
    EXPECT_NE(question.find("2 projects and 1 time period"), std::string::npos) << question;
    EXPECT_NE(question.find(path.toStdString()), std::string::npos) << question;
    ExpectNothingChanged({"Web"});
    EXPECT_EQ(ComboEntries(),
              (QStringList{QStringLiteral("Web"), QStringLiteral("New Project...")}));
}

TEST_F(DataCommandsTest, SaveDataWritesACopyAndLeavesTheMainFile) {
    Start({"Web"}, {{"Web", k0900, k0900 + kHour, "a"}});
    const QString copy = m_otherDir.filePath(QStringLiteral("copy.pnd"));
    m_prompts.ExpectSaveFile(copy.toStdString());

    Trigger("actionSaveData");

    ASSERT_EQ(m_prompts.fileRequests().size(), 1u);
    const FileDialogRequest& request = m_prompts.fileRequests().front();
    EXPECT_EQ(request.filter, "Punchwell Data Files (*.pnd);;All Files (*)");
    EXPECT_EQ(request.defaultSuffix, "pnd");
    EXPECT_EQ(request.initialName, "timedata.pnd");
    EXPECT_EQ(ReadBytes(copy), m_mainBefore);
    EXPECT_EQ(ReadBytes(MainPath()), m_mainBefore);
}

TEST_F(DataCommandsTest, ExportWritesACommaInANameUnquotedAndNamesAFailedPath) {
    Start({"Smith, Jones"}, {{"Smith, Jones", k0900, k0900 + kHour + 61, "notes"}});
    const QString out = m_otherDir.filePath(QStringLiteral("out.txt"));
    m_prompts.ExpectSaveFile(out.toStdString());

    Trigger("actionExportData");

    ASSERT_EQ(m_prompts.fileRequests().size(), 1u);
    const FileDialogRequest& request = m_prompts.fileRequests().front();
    EXPECT_EQ(request.filter, "Text Files (*.txt);;All Files (*)");
    EXPECT_EQ(request.defaultSuffix, "txt");
    EXPECT_EQ(request.initialName, "timedata.txt");
    EXPECT_EQ(ReadBytes(out), QByteArray("Smith, Jones,11/14/23 09:00:00,11/14/23 10:01:01\r\n"));

    // A folder that is not there: the message names the file, and nothing is written.
    const std::string bad = m_otherDir.filePath(QStringLiteral("none/out.txt")).toStdString();
    m_prompts.ExpectSaveFile(bad).Expect("Punchwell", std::nullopt, MessageIcon::Exclamation,
                                         MessageButtons::Ok, MessageAnswer::Ok);
    Trigger("actionExportData");
    EXPECT_NE(m_prompts.shown().back().text.find(bad), std::string::npos)
        << m_prompts.shown().back().text;
    EXPECT_EQ(ReadBytes(MainPath()), m_mainBefore);
}

// F5 also reaches the main window from its other dialogs, which hold records a load would
// replace.
TEST_F(DataCommandsTest, LoadDataWaitsForAnOpenDialogToClose) {
    Start({"Web"}, {});
    m_prompts.Expect("Load Data", std::nullopt, MessageIcon::Information, MessageButtons::Ok,
                     MessageAnswer::Ok);
    QDialog other(&m_dlg);
    ModalDriver driver([&](QWidget*) {
        Trigger("actionLoadData");
        other.reject();
    });
    other.exec();
    EXPECT_TRUE(driver.Ran());
    ExpectNothingChanged({"Web"});
}

// A file from a later start waits while the program is locked, then a box says where it came
// from and the load procedure runs without the Open dialog.
TEST_F(DataCommandsTest, HandedOverFileWaitsForTheUnlockThenLoadsWithoutTheOpenDialog) {
    Start({"Web"}, {});
    const QString other = OtherFile({"Mail"}, {{"Mail", k0900, k0900 + kHour, ""}});
    m_app.SetLockFlag(1);

    const std::string shown = QDir::toNativeSeparators(other).toStdString();
    m_session.OpenFile(shown, true, true);
    QTest::qWait(400);
    EXPECT_EQ(m_session.Load().PendingFiles(), std::vector<std::string>{shown});
    EXPECT_TRUE(m_prompts.shown().empty());

    // The box says where the file came from and what happens next.
    m_prompts.Expect("Punchwell",
                     "Another start of Punchwell handed this file to the running program:\n\n" +
                         QDir::toNativeSeparators(other).toStdString() +
                         "\n\nIt will now be offered for loading: choose how to load it, or "
                         "Cancel to leave your data as it is.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok, true);
    auto driver = AnswerLoadDialog("mergeRadio", "okButton");
    m_app.SetLockFlag(0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return driver->Ran(); }, 5000));
    ASSERT_TRUE(QTest::qWaitFor([&] { return ProjectNames().size() == 2; }, 5000));

    EXPECT_TRUE(m_session.Load().PendingFiles().empty());
    EXPECT_TRUE(m_prompts.fileRequests().empty()) << "the Open dialog was shown";
    EXPECT_EQ(ProjectNames(), (std::vector<std::string>{"Web", "Mail"}));
    EXPECT_EQ(ComboEntries(), (QStringList{QStringLiteral("Web"), QStringLiteral("Mail"),
                                           QStringLiteral("New Project...")}));
}

// The dated copies are listed newest first with what they hold; the chosen one replaces the
// data through the load procedure, which keeps the data as it was.
TEST_F(DataCommandsTest, RestoreFromBackupReplacesAllDataAndKeepsTheDataAsItWas) {
    Start({"Web"}, {{"Web", k0900, k0900 + kHour, ""}});
    // The day's copy, as the start-up makes it from the file it read.
    ASSERT_TRUE(m_app
                    .KeepDatedBackup(std::string_view(
                        m_mainBefore.constData(), static_cast<std::size_t>(m_mainBefore.size())))
                    .ok);
    const QString backups = m_dataDir.filePath(QStringLiteral("backups"));
    constexpr std::int32_t kDay = 24 * kHour;
    ASSERT_TRUE(
        WriteBytes(backups + QStringLiteral("/timedata-20231110.pnd"),
                   MakeDataFile({"Old"}, {{"Old", k0900 - 5 * kDay, k0900 - 5 * kDay + 60, ""},
                                          {"Old", k0900 - 4 * kDay, k0900 - 4 * kDay + 60, ""}})));
    ASSERT_TRUE(WriteBytes(backups + QStringLiteral("/timedata-20231101.pnd"), "\x01"));
    // Work done since the morning, which the restore takes back.
    ASSERT_TRUE(m_dlg.CheckIn(QStringLiteral("Web")));
    m_clock.advance(60);
    ASSERT_TRUE(m_dlg.CheckOut());
    const QByteArray mainBeforeRestore = ReadBytes(MainPath());
    ASSERT_EQ(m_app.Store().DoneTasks().size(), 2u);

    EXPECT_EQ(Child<QAction>(&m_dlg, "actionRestoreBackup")->text(),
              QStringLiteral("&Restore From Backup..."));
    ModalDriver chooser([](QWidget* w) {
        auto* dialog = qobject_cast<CRestoreBackupDlg*>(w);
        ASSERT_NE(dialog, nullptr) << w->windowTitle().toStdString();
        EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Restore From Backup"));
        auto* list = Child<QTreeWidget>(dialog, "backupList");
        ASSERT_EQ(list->topLevelItemCount(), 3);
        const auto row = [list](int i) {
            const QTreeWidgetItem* item = list->topLevelItem(i);
            return QStringList{item->text(0), item->text(1), item->text(2)};
        };
        EXPECT_EQ(row(0), (QStringList{QStringLiteral("Tuesday, November 14, 2023"),
                                       QStringLiteral("1"), QStringLiteral("November 14, 2023")}));
        EXPECT_EQ(row(1), (QStringList{QStringLiteral("Friday, November 10, 2023"),
                                       QStringLiteral("2"), QStringLiteral("November 10, 2023")}));
        EXPECT_EQ(row(2), (QStringList{QStringLiteral("Wednesday, November 1, 2023"),
                                       QStringLiteral("0 (damaged)"), QStringLiteral("none")}));
        // The newest copy is chosen to begin with.
        EXPECT_EQ(list->currentItem(), list->topLevelItem(0));
        list->setCurrentItem(list->topLevelItem(1));
        QTest::mouseClick(Child<QPushButton>(dialog, "restoreButton"), Qt::LeftButton);
    });
    const std::string kept =
        QDir::toNativeSeparators(
            m_dataDir.filePath(QStringLiteral("timedata.before-load-20231114-221420.pnd")))
            .toStdString();
    m_prompts.Expect("Data Restored",
                     "Your data is now the copy of Friday, November 10, 2023. Your data as it was "
                     "before is kept in " +
                         kept + "; load it with Load Data to go back.",
                     MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);

    Trigger("actionRestoreBackup");

    ASSERT_TRUE(chooser.Ran());
    EXPECT_EQ(ProjectNames(), (std::vector<std::string>{"Old"}));
    EXPECT_EQ(ComboEntries(),
              (QStringList{QStringLiteral("Old"), QStringLiteral("New Project...")}));
    EXPECT_EQ(m_app.Store().DoneTasks().size(), 2u);
    EXPECT_EQ(ReadBytes(MainPath()), ReadBytes(backups + QStringLiteral("/timedata-20231110.pnd")));
    EXPECT_EQ(BeforeLoadCopies(),
              QStringList{QStringLiteral("timedata.before-load-20231114-221420.pnd")});
    EXPECT_EQ(ReadBytes(QString::fromStdString(kept)), mainBeforeRestore);
    // The day's copy still holds the data as the day began.
    EXPECT_EQ(ReadBytes(backups + QStringLiteral("/timedata-20231114.pnd")), m_mainBefore);
}

} // namespace
