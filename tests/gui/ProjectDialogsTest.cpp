#include "GuiTestSupport.h"

#include "support/FakePrompts.h"

#include "core/data/Store.h"
#include "gui/ui/HelpKeyFilter.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/ProjectDlg.h"
#include "gui/ui/SelectProjectDlg.h"

#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QTest>

#include <memory>

namespace {

void ShowActive(QWidget& w) {
    w.show();
    w.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
}

// Types into a box, then tabs out of it the way a person leaves a field.
void TypeAndLeave(QLineEdit* edit, const QString& text) {
    edit->setFocus();
    edit->selectAll();
    QTest::keyClick(edit, Qt::Key_Delete);
    QTest::keyClicks(edit, text);
    QTest::keyClick(edit, Qt::Key_Tab);
}

// Types the way a person does: each key goes to whichever box has the focus at that moment.
void TypeIntoFocus(const QString& text) {
    for (const QChar c : text) {
        QWidget* focus = QApplication::focusWidget();
        ASSERT_NE(focus, nullptr);
        QTest::keyClicks(focus, QString(c));
    }
}

class ProjectDialogs : public GuiTest {
protected:
    void SetUp() override {
        store.AppendTask(std::make_unique<CTask>("Web site"));
        store.AppendTask(std::make_unique<CTask>("admin"));
        store.AppendTask(std::make_unique<CTask>("Accounts"));
    }
    CStore store;
    FakePrompts prompts;
};

TEST_F(ProjectDialogs, AddModeOpensWithZeroRateAndNormalisesTheBoxesOnLeaving) {
    CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
    ShowActive(dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Add A Project"));
    auto* ok = Child<QPushButton>(&dlg, "okButton");
    EXPECT_EQ(ok->text(), QStringLiteral("Add"));
    auto* dollars = Child<QLineEdit>(&dlg, "dollarsEdit");
    auto* cents = Child<QLineEdit>(&dlg, "centsEdit");
    EXPECT_EQ(dollars->text(), QStringLiteral("0"));
    EXPECT_EQ(cents->text(), QStringLiteral("00"));
    EXPECT_FALSE(Child<QLineEdit>(&dlg, "fileEdit")->isEnabled());
    EXPECT_FALSE(Child<QPushButton>(&dlg, "browseButton")->isEnabled());

    struct Case {
        QString dollarsTyped, centsTyped, dollarsShown, centsShown;
    };
    const Case cases[] = {
        {QStringLiteral("12"), QStringLiteral("7"), QStringLiteral("12"), QStringLiteral("07")},
        {QStringLiteral("4"), QStringLiteral("250"), QStringLiteral("6"), QStringLiteral("50")},
        {QStringLiteral("2"), QStringLiteral("150"), QStringLiteral("3"), QStringLiteral("50")},
        {QStringLiteral("000"), QStringLiteral(""), QStringLiteral("0"), QStringLiteral("00")},
        {QStringLiteral("007"), QStringLiteral("99"), QStringLiteral("7"), QStringLiteral("99")},
        {QStringLiteral("3"), QStringLiteral("1000"), QStringLiteral("13"), QStringLiteral("00")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.dollarsTyped.toStdString() + "." + c.centsTyped.toStdString());
        TypeAndLeave(dollars, c.dollarsTyped);
        TypeAndLeave(cents, c.centsTyped);
        EXPECT_EQ(dollars->text(), c.dollarsShown);
        EXPECT_EQ(cents->text(), c.centsShown);
    }
    // Letters never get into the rate boxes.
    TypeAndLeave(dollars, QStringLiteral("1x2"));
    EXPECT_EQ(dollars->text(), QStringLiteral("12"));
}

TEST_F(ProjectDialogs, APointInTheDollarsBoxMovesTheRestToTheCentsBox) {
    struct Case {
        const char* typed;
        bool paste; // Ctrl+V instead of typing
        bool enter; // Enter straight away instead of leaving the cents box first
        std::uint32_t dollars;
        std::uint8_t cents;
    };
    const Case cases[] = {
        {"85.50", false, false, 85, 50},  {"85.5", false, false, 85, 50},
        {"85.5", false, true, 85, 50},    {"85.05", false, true, 85, 5},
        {".75", false, false, 0, 75},     {"85.", false, false, 85, 0},
        {"85.507", false, false, 85, 50}, {"12.3", true, false, 12, 30},
        {"12.34", true, true, 12, 34},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::string(c.typed) + (c.paste ? " pasted" : "") +
                     (c.enter ? " then Enter" : ""));
        CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
        ShowActive(dlg);
        QTest::keyClicks(Child<QLineEdit>(&dlg, "nameEdit"), QStringLiteral("Consulting"));
        auto* dollars = Child<QLineEdit>(&dlg, "dollarsEdit");
        auto* cents = Child<QLineEdit>(&dlg, "centsEdit");
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        ASSERT_EQ(QApplication::focusWidget(), dollars);
        dollars->selectAll();
        if (c.paste) {
            QApplication::clipboard()->setText(QString::fromLatin1(c.typed));
            QTest::keyClick(dollars, Qt::Key_V, Qt::ControlModifier);
        } else {
            TypeIntoFocus(QString::fromLatin1(c.typed));
        }
        EXPECT_EQ(QApplication::focusWidget(), cents);
        if (!c.enter) {
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
            EXPECT_EQ(dollars->text(), QString::number(c.dollars));
            EXPECT_EQ(cents->text(), QStringLiteral("%1").arg(c.cents, 2, 10, QLatin1Char('0')));
            dollars->setFocus();
        }
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        ASSERT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.GetDollars(), c.dollars);
        EXPECT_EQ(dlg.GetCents(), c.cents);
    }

    // Cents typed into their own box keep their meaning: 5 is five cents.
    CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
    ShowActive(dlg);
    QTest::keyClicks(Child<QLineEdit>(&dlg, "nameEdit"), QStringLiteral("Consulting"));
    auto* cents = Child<QLineEdit>(&dlg, "centsEdit");
    cents->setFocus();
    cents->selectAll();
    TypeIntoFocus(QStringLiteral("5"));
    QTest::keyClick(cents, Qt::Key_Return);
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetCents(), 5u);
}

TEST_F(ProjectDialogs, OkRefusesEachKindOfBadInputWithItsMessage) {
    struct Case {
        const char* what;
        QString name, dollars, cents;
        std::string caption, text;
        MessageIcon icon;
        const char* focus;
    };
    const Case cases[] = {
        {"cents beyond a byte", QStringLiteral("New"), QStringLiteral("1"), QStringLiteral("300"),
         "Punchwell", "Please enter an integer between 0 and 255.", MessageIcon::Exclamation,
         "centsEdit"},
        {"cents beyond 99", QStringLiteral("New"), QStringLiteral("1"), QStringLiteral("150"),
         "Punchwell", "Please enter an integer between 0 and 99.", MessageIcon::Exclamation,
         "centsEdit"},
        {"dollars beyond 32 bits", QStringLiteral("New"), QStringLiteral("4294967296"),
         QStringLiteral("00"), "Punchwell", "Please enter a positive integer.",
         MessageIcon::Exclamation, "dollarsEdit"},
        {"empty dollars", QStringLiteral("New"), QString(), QStringLiteral("00"), "Punchwell",
         "Please enter a positive integer.", MessageIcon::Exclamation, "dollarsEdit"},
        {"no name", QString(), QStringLiteral("1"), QStringLiteral("00"), "No Name Entered",
         "Please enter a name for this project", MessageIcon::Information, "nameEdit"},
        {"existing name", QStringLiteral("admin"), QStringLiteral("1"), QStringLiteral("00"),
         "Project Exists",
         "The project you have attempted to create already exists. Please choose a different "
         "name.",
         MessageIcon::Information, "nameEdit"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        FakePrompts local;
        CProjectDlg dlg(store, local, CProjectDlg::AddMode);
        ShowActive(dlg);
        Child<QLineEdit>(&dlg, "nameEdit")->setText(c.name);
        Child<QLineEdit>(&dlg, "dollarsEdit")->setText(c.dollars);
        auto* cents = Child<QLineEdit>(&dlg, "centsEdit");
        cents->setText(c.cents);
        // Enter in the cents box presses the default button without leaving the box.
        cents->setFocus();
        local.Expect(c.caption, c.text, c.icon, MessageButtons::Ok, MessageAnswer::Ok);
        QTest::keyClick(cents, Qt::Key_Return);
        EXPECT_TRUE(dlg.isVisible());
        EXPECT_EQ(dlg.result(), QDialog::Rejected);
        EXPECT_EQ(QApplication::focusWidget(), Child<QLineEdit>(&dlg, c.focus));
        dlg.reject();
    }
    // Differing only in letter case, or only blanks: both are new names.
    for (const QString& name : {QStringLiteral("Admin"), QStringLiteral("   ")}) {
        CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
        ShowActive(dlg);
        Child<QLineEdit>(&dlg, "nameEdit")->setText(name);
        QTest::mouseClick(Child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
        EXPECT_EQ(dlg.result(), QDialog::Accepted);
        EXPECT_EQ(dlg.GetName(), name);
    }
}

TEST_F(ProjectDialogs, EditModeKeepsItsNameButRefusesAnotherProjectsName) {
    CTask web("Web site");
    web.SetRate(25, 5);
    web.SetFile("/tmp/plan.txt");
    web.SetFileUsed(0);

    CProjectDlg dlg(store, prompts, CProjectDlg::EditMode);
    dlg.SetValues(web);
    ShowActive(dlg);
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Edit Project"));
    EXPECT_EQ(Child<QPushButton>(&dlg, "okButton")->text(), QStringLiteral("&OK"));
    EXPECT_EQ(Child<QLineEdit>(&dlg, "centsEdit")->text(), QStringLiteral("05"));
    // The path is kept even while the box is off.
    EXPECT_EQ(Child<QLineEdit>(&dlg, "fileEdit")->text(), QStringLiteral("/tmp/plan.txt"));

    auto* name = Child<QLineEdit>(&dlg, "nameEdit");
    name->setText(QStringLiteral("Accounts"));
    prompts.Expect("Project Exists", std::nullopt, MessageIcon::Information, MessageButtons::Ok,
                   MessageAnswer::Ok);
    QTest::mouseClick(Child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(name->selectedText(), QStringLiteral("Accounts"));

    name->setText(QStringLiteral("Web site"));
    QTest::mouseClick(Child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    CTask applied;
    dlg.ApplyTo(applied);
    EXPECT_EQ(applied.GetName(), "Web site");
    EXPECT_EQ(applied.GetDollars(), 25u);
    EXPECT_EQ(applied.GetCents(), 5u);
    EXPECT_EQ(applied.GetFile(), "/tmp/plan.txt");
    EXPECT_FALSE(applied.IsFileUsed());
}

TEST_F(ProjectDialogs, TheCheckBoxEnablesBrowseWhichFillsThePath) {
    CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
    ShowActive(dlg);
    auto* check = Child<QCheckBox>(&dlg, "useFileCheck");
    auto* browse = Child<QPushButton>(&dlg, "browseButton");
    auto* path = Child<QLineEdit>(&dlg, "fileEdit");
    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
    ASSERT_TRUE(check->isChecked());
    EXPECT_TRUE(browse->isEnabled());
    EXPECT_TRUE(path->isEnabled());

    prompts.ExpectOpenFile(std::string("/home/me/plan.doc"));
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(path->text(), QStringLiteral("/home/me/plan.doc"));
    ASSERT_EQ(prompts.fileRequests().size(), 1u);
    EXPECT_EQ(prompts.fileRequests()[0].filter.rfind("All Files (*.*);;", 0), 0u);

    prompts.ExpectOpenFile(std::nullopt); // Cancel keeps the path
    QTest::mouseClick(browse, Qt::LeftButton);
    EXPECT_EQ(path->text(), QStringLiteral("/home/me/plan.doc"));

    QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
    EXPECT_FALSE(browse->isEnabled());
    Child<QLineEdit>(&dlg, "nameEdit")->setText(QStringLiteral("Plans"));
    QTest::mouseClick(Child<QPushButton>(&dlg, "okButton"), Qt::LeftButton);
    EXPECT_FALSE(dlg.IsFileUsed());
    EXPECT_EQ(dlg.GetFile(), QStringLiteral("/home/me/plan.doc"));
}

QStringList Rows(QListWidget* list) {
    QStringList rows;
    for (int i = 0; i < list->count(); ++i)
        rows << list->item(i)->text();
    return rows;
}

TEST_F(ProjectDialogs, SelectProjectSortsPreselectsByPrefixAndEnablesOk) {
    struct Case {
        QString preselect;
        bool firstWhenNoMatch; // the commands that open on the current project, else the first
        bool okEnabled;
        QString selected;
    };
    const Case cases[] = {
        {QString(), false, false, QString()},
        {QStringLiteral("ADM"), false, true, QStringLiteral("admin")},
        {QStringLiteral("a"), false, true, QStringLiteral("Accounts")},
        {QStringLiteral("Nothing"), false, true, QString()},
        {QString(), true, true, QStringLiteral("Accounts")},
        {QStringLiteral("Nothing"), true, true, QStringLiteral("Accounts")},
        {QStringLiteral("Web site"), true, true, QStringLiteral("Web site")},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.preselect.toStdString() + (c.firstWhenNoMatch ? " else the first" : ""));
        CSelectProjectDlg dlg(store, c.preselect, nullptr, c.firstWhenNoMatch);
        ShowActive(dlg);
        EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Select Project"));
        auto* list = Child<QListWidget>(&dlg, "projectList");
        EXPECT_EQ(Rows(list), (QStringList{QStringLiteral("Accounts"), QStringLiteral("admin"),
                                           QStringLiteral("Web site")}));
        auto* ok = Child<QPushButton>(&dlg, "okButton");
        EXPECT_EQ(ok->isEnabled(), c.okEnabled);
        // Enter in the list presses OK whenever OK is enabled.
        QTest::keyClick(list, Qt::Key_Return);
        EXPECT_EQ(dlg.result(), c.okEnabled ? QDialog::Accepted : QDialog::Rejected);
        if (c.okEnabled) {
            EXPECT_EQ(dlg.GetSelection(), c.selected);
        }
    }

    CSelectProjectDlg dlg(store, QString());
    ShowActive(dlg);
    auto* list = Child<QListWidget>(&dlg, "projectList");
    const QRect row = list->visualItemRect(list->item(2));
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_TRUE(Child<QPushButton>(&dlg, "okButton")->isEnabled());
    QTest::mouseDClick(list->viewport(), Qt::LeftButton, {}, row.center());
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_EQ(dlg.GetSelection(), QStringLiteral("Web site"));
}

TEST_F(ProjectDialogs, HelpOpensTheDialogsPageAndF1FollowsTheOpenDialog) {
    CProjectDlg dlg(store, prompts, CProjectDlg::AddMode);
    ShowActive(dlg);
    EXPECT_EQ(CHelpWindow::ContextForOpenDialogs(), 4);
    QTest::mouseClick(Child<QPushButton>(&dlg, "helpButton"), Qt::LeftButton);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), QStringLiteral("context4.html"));
    CHelpWindow::Instance()->close();
    QApplication::processEvents();

    // F1 typed in any box of the dialog finds the same page.
    CHelpKeyFilter helpKey;
    qApp->installEventFilter(&helpKey);
    QTest::keyClick(Child<QLineEdit>(&dlg, "centsEdit"), Qt::Key_F1);
    qApp->removeEventFilter(&helpKey);
    ASSERT_NE(CHelpWindow::Instance(), nullptr);
    EXPECT_TRUE(CHelpWindow::Instance()->isVisible());
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), QStringLiteral("context4.html"));
    dlg.reject();
    CHelpWindow::CloseHelp();
    QApplication::processEvents();

    QDialog options;
    options.setWindowTitle(QStringLiteral("Options"));
    options.show();
    EXPECT_EQ(CHelpWindow::ContextForOpenDialogs(), 13);
    options.hide();
    EXPECT_EQ(CHelpWindow::ContextForOpenDialogs(), 0);
    CHelpWindow::ShowForOpenDialog();
    EXPECT_EQ(CHelpWindow::Instance()->CurrentPage(), QStringLiteral("contents.html"));

    // The index lists the topics and narrows to the words typed.
    CHelpWindow::ShowIndex();
    auto* topics = Child<QListWidget>(CHelpWindow::Instance(), "topicList");
    auto visible = [&] {
        int count = 0;
        for (int i = 0; i < topics->count(); ++i)
            count += !topics->item(i)->isHidden();
        return count;
    };
    const int all = visible();
    EXPECT_GT(all, 9);
    QTest::keyClicks(Child<QLineEdit>(CHelpWindow::Instance(), "filterEdit"),
                     QStringLiteral("options"));
    EXPECT_GT(visible(), 0);
    EXPECT_LT(visible(), all);
    CHelpWindow::CloseHelp();
}

} // namespace
