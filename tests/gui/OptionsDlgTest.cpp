#include "GuiTestSupport.h"

#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/data/Password.h"
#include "gui/ui/EnterPasswordDlg.h"
#include "gui/ui/LockDlg.h"
#include "gui/ui/NewPasswordDlg.h"
#include "gui/ui/OptionsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFile>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

namespace {

void Click(QWidget* parent, const char* button) {
    QTest::mouseClick(Child<QPushButton>(parent, button), Qt::LeftButton);
}

// Types into a password dialog's boxes and presses OK.
void TypePasswords(QWidget* dialog, const QString& first, const QString& second = {}) {
    if (auto* only = dialog->findChild<QLineEdit*>(QStringLiteral("passwordEdit"))) {
        only->clear();
        QTest::keyClicks(only, first);
    } else {
        Child<QLineEdit>(dialog, "password1Edit")->clear();
        QTest::keyClicks(Child<QLineEdit>(dialog, "password1Edit"), first);
        Child<QLineEdit>(dialog, "password2Edit")->clear();
        QTest::keyClicks(Child<QLineEdit>(dialog, "password2Edit"), second);
    }
    Click(dialog, "okButton");
}

class OptionsDialog : public GuiTest {
protected:
    void SetUp() override {
        app.SetPrompts(prompts);
        for (const char* name : {"Web", "admin", "Accounts"}) {
            auto task = std::make_unique<CTask>(name);
            app.Store().AddTask(task);
        }
    }
    QTemporaryDir dir;
    CPunchwellApp app{dir.path().toStdString()};
    FakePrompts prompts;
};

TEST_F(OptionsDialog, ListsStoreTheirIndexesAndChecksGrayTheirLists) {
    app.Options().m_strDefaultProject = "ADMIN";
    COptionsDlg dlg(app, prompts);
    dlg.show();
    auto* minutes = Child<QComboBox>(&dlg, "minutesCombo");
    auto* week = Child<QComboBox>(&dlg, "weekStartCombo");
    auto* projects = Child<QComboBox>(&dlg, "defaultProjectCombo");
    EXPECT_EQ(minutes->currentText(), QStringLiteral("5"));
    EXPECT_EQ(week->currentText(), QStringLiteral("Sunday"));
    // Sorted after the empty first entry; the stored name is found ignoring case.
    EXPECT_EQ(projects->itemText(0), QString());
    EXPECT_EQ(projects->itemText(1), QStringLiteral("Accounts"));
    EXPECT_EQ(projects->currentText(), QStringLiteral("admin"));

    QTest::mouseClick(Child<QCheckBox>(&dlg, "autoSaveCheck"), Qt::LeftButton);
    EXPECT_FALSE(minutes->isEnabled());
    auto* showList = Child<QGroupBox>(&dlg, "showListGroup");
    showList->setChecked(false);
    emit showList->clicked(false);
    EXPECT_FALSE(projects->isEnabled());

    minutes->setCurrentIndex(minutes->findText(QStringLiteral("10")));
    week->setCurrentIndex(week->findText(QStringLiteral("Monday")));
    Click(&dlg, "okButton");
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    dlg.ApplyTo(app);
    const COptions& o = app.GetOptions();
    EXPECT_EQ(o.m_wAutoSaveIndex, 9);
    EXPECT_EQ(o.m_wWeekStart, 1);
    EXPECT_EQ(o.m_bAutoSave, 0);
    EXPECT_EQ(o.m_bShowListOnStart, 0);
    EXPECT_EQ(o.m_strDefaultProject, "admin");
}

TEST_F(OptionsDialog, AMissingDefaultProjectOrAnOutOfRangeValueOpensUnselected) {
    app.Options().m_strDefaultProject = "Gone";
    app.Options().m_wWeekStart = 9;
    app.Options().m_wAutoSaveIndex = 2;
    COptionsDlg dlg(app, prompts);
    EXPECT_EQ(Child<QComboBox>(&dlg, "defaultProjectCombo")->currentIndex(), -1);
    EXPECT_EQ(Child<QComboBox>(&dlg, "weekStartCombo")->currentIndex(), -1);
    dlg.ApplyTo(app);
    EXPECT_EQ(app.GetOptions().m_strDefaultProject, "");
    EXPECT_EQ(app.GetOptions().m_wWeekStart, 9); // kept, since the list offered nothing
    EXPECT_EQ(app.GetOptions().m_wAutoSaveIndex, 2);
}

TEST_F(OptionsDialog, BackupCountsShowTheStoredValuesAndOkStoresTheNewOnes) {
    app.Options().m_nBackupDays = 45;
    app.Options().m_nBackupMonths = 0;
    COptionsDlg dlg(app, prompts);
    dlg.show();
    auto* days = Child<QSpinBox>(&dlg, "backupDaysSpin");
    auto* months = Child<QSpinBox>(&dlg, "backupMonthsSpin");
    EXPECT_EQ(days->value(), 45);
    EXPECT_EQ(months->value(), 0);
    // Fewer than one day would remove each day's copy as soon as it is made.
    EXPECT_EQ(days->minimum(), 1);

    EXPECT_EQ(days->text(), QStringLiteral("45 days"));
    EXPECT_EQ(months->text(), QStringLiteral("0 months"));

    // Typed as a person types: the unit follows the count without getting in the way.
    struct Case {
        QSpinBox* spin;
        const char* typed;
        const char* shown;
    };
    for (const Case& c :
         {Case{days, "1", "1 day"}, Case{months, "1", "1 month"}, Case{days, "7", "7 days"},
          Case{months, "12", "12 months"}, Case{months, "24", "24 months"}}) {
        SCOPED_TRACE(c.typed);
        c.spin->setFocus();
        c.spin->selectAll();
        QTest::keyClicks(c.spin, QString::fromLatin1(c.typed));
        EXPECT_EQ(c.spin->text(), QString::fromLatin1(c.shown));
    }
    Click(&dlg, "okButton");
    ASSERT_EQ(dlg.result(), QDialog::Accepted);
    dlg.ApplyTo(app);
    EXPECT_EQ(app.GetBackupRetention().days, 7);
    EXPECT_EQ(app.GetBackupRetention().months, 24);
}

TEST_F(OptionsDialog, APasswordSetHereSurvivesCancelAndChangingItAsksForTheOldOne) {
    COptionsDlg dlg(app, prompts);
    dlg.show();
    auto* button = Child<QPushButton>(&dlg, "passwordButton");
    EXPECT_EQ(button->text(), QStringLiteral("&Set Password..."));

    ModalDriver newPassword([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("New Password"));
        TypePasswords(modal, QStringLiteral("Secret"), QStringLiteral("Secret"));
    });
    prompts.Expect("Password Set", "The password has been set. Don't forget it!", MessageIcon::None,
                   MessageButtons::Ok, MessageAnswer::Ok);
    QTest::mouseClick(button, Qt::LeftButton);
    ASSERT_TRUE(newPassword.Ran());
    EXPECT_EQ(button->text(), QStringLiteral("&Change Password..."));
    Click(&dlg, "cancelButton");
    EXPECT_EQ(app.GetPassword(), "Secret");
    // Saved at once, in its scrambled form.
    CPunchwellApp reread(dir.path().toStdString());
    reread.LoadData();
    EXPECT_EQ(reread.ScrambledPassword(), ScramblePassword("Secret"));

    // Changing: the wrong old password (wrong case too) is refused until Cancel.
    COptionsDlg again(app, prompts);
    again.show();
    prompts.Expect("Password Mismatch", "The password you have entered is incorrect.",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    prompts.Expect("Password Mismatch", std::nullopt, MessageIcon::Exclamation, MessageButtons::Ok,
                   MessageAnswer::Ok);
    ModalDriver wrongTwice([](QWidget* modal) {
        EXPECT_EQ(modal->windowTitle(), QStringLiteral("Enter The Password"));
        TypePasswords(modal, QStringLiteral("nope"));
        TypePasswords(modal, QStringLiteral("secret"));
        EXPECT_TRUE(modal->isVisible());
        Click(modal, "cancelButton");
    });
    Click(&again, "passwordButton");
    ASSERT_TRUE(wrongTwice.Ran());
    EXPECT_EQ(app.GetPassword(), "Secret");
    EXPECT_EQ(Child<QPushButton>(&again, "passwordButton")->text(),
              QStringLiteral("&Change Password..."));
}

TEST_F(OptionsDialog, NewPasswordRefusesAMismatchAndWarnsBeforeAnEmptyOne) {
    CNewPasswordDlg dlg(prompts);
    dlg.show();
    prompts.Expect("Password Mismatch", "The passwords you entered do not match. Please try again.",
                   MessageIcon::Exclamation, MessageButtons::Ok, MessageAnswer::Ok);
    TypePasswords(&dlg, QStringLiteral("one"), QStringLiteral("two"));
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_TRUE(Child<QLineEdit>(&dlg, "password2Edit")->text().isEmpty());

    const std::string warning = "Setting an empty password will disable the \"Lock Program\" "
                                "feature and set the password to nothing. Are you sure you want "
                                "to do this?";
    prompts.Expect({"Set Empty Password?", warning, MessageIcon::Question, MessageButtons::YesNo,
                    MessageAnswer::No, std::nullopt, MessageAnswer::No});
    TypePasswords(&dlg, QString(), QString());
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    prompts.Expect("Set Empty Password?", warning, MessageIcon::Question, MessageButtons::YesNo,
                   MessageAnswer::Yes);
    Click(&dlg, "okButton");
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    EXPECT_TRUE(dlg.GetPassword().isEmpty());

    CLockDlg lock(true);
    EXPECT_EQ(lock.windowTitle(), QStringLiteral("Lock Program"));
    EXPECT_TRUE(lock.GetAskAgain());
}

} // namespace
