#include "gui/app/QtPrompts.h"

#include "GuiTestSupport.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPointer>
#include <QTest>

#include <gtest/gtest.h>

#include <ostream>

namespace {

struct Shown {
    QString caption;
    QString text;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons;
    Qt::TextFormat format = Qt::AutoText;
    QWidget* parent = nullptr;
    bool isMessageBox = false;
};

// Records the box that comes up, then presses `press` (or Esc when it is NoButton).
ModalDriver Answer(Shown& shown, QMessageBox::StandardButton press) {
    return ModalDriver([&shown, press](QWidget* widget) {
        auto* box = qobject_cast<QMessageBox*>(widget);
        shown.isMessageBox = box != nullptr;
        if (!box)
            return;
        shown.caption = box->windowTitle();
        shown.text = box->text();
        shown.icon = box->icon();
        shown.buttons = box->standardButtons();
        shown.format = box->textFormat();
        shown.parent = box->parentWidget();
        if (press == QMessageBox::NoButton)
            QTest::keyClick(box, Qt::Key_Escape);
        else
            box->button(press)->click();
    });
}

struct PromptCase {
    const char* name;
    MessageIcon icon;
    MessageButtons buttons;
    QMessageBox::Icon qtIcon;
    QMessageBox::StandardButtons qtButtons;
    QMessageBox::StandardButton press; // NoButton: Esc
    MessageAnswer answer;
};
// ctest lists each case by its name.
void PrintTo(const PromptCase& c, std::ostream* os) {
    *os << c.name;
}

class QtPromptsAsk : public GuiTest, public testing::WithParamInterface<PromptCase> {};

TEST_P(QtPromptsAsk, ShowsExactlyWhatWasAskedAndReturnsTheAnswer) {
    const PromptCase& c = GetParam();
    QtPrompts prompts;
    Shown shown;
    ModalDriver driver = Answer(shown, c.press);

    const MessageAnswer answer =
        prompts.Ask("Files Corrupted", "Both <b>files</b> & more", c.icon, c.buttons, false);

    ASSERT_TRUE(driver.Ran());
    ASSERT_TRUE(shown.isMessageBox);
    EXPECT_EQ(shown.caption, QStringLiteral("Files Corrupted"));
    // Shown as typed: markup in a name or path is never interpreted.
    EXPECT_EQ(shown.text, QStringLiteral("Both <b>files</b> & more"));
    EXPECT_EQ(shown.format, Qt::PlainText);
    EXPECT_EQ(shown.icon, c.qtIcon);
    EXPECT_EQ(shown.buttons, c.qtButtons);
    EXPECT_EQ(shown.parent, nullptr);
    EXPECT_EQ(answer, c.answer);
}

using B = QMessageBox;
INSTANTIATE_TEST_SUITE_P(
    Cases, QtPromptsAsk,
    testing::Values(
        PromptCase{"StopOk", MessageIcon::Stop, MessageButtons::Ok, B::Critical, B::Ok, B::Ok,
                   MessageAnswer::Ok},
        PromptCase{"ExclamationOkCancel", MessageIcon::Exclamation, MessageButtons::OkCancel,
                   B::Warning, B::Ok | B::Cancel, B::Cancel, MessageAnswer::Cancel},
        PromptCase{"QuestionYes", MessageIcon::Question, MessageButtons::YesNo, B::Question,
                   B::Yes | B::No, B::Yes, MessageAnswer::Yes},
        PromptCase{"QuestionNo", MessageIcon::Question, MessageButtons::YesNo, B::Question,
                   B::Yes | B::No, B::No, MessageAnswer::No},
        PromptCase{"InformationYesNoCancel", MessageIcon::Information, MessageButtons::YesNoCancel,
                   B::Information, B::Yes | B::No | B::Cancel, B::No, MessageAnswer::No},
        PromptCase{"NoIcon", MessageIcon::None, MessageButtons::Ok, B::NoIcon, B::Ok, B::Ok,
                   MessageAnswer::Ok},
        // Esc gives the answer that changes nothing.
        PromptCase{"EscOnYesNo", MessageIcon::Question, MessageButtons::YesNo, B::Question,
                   B::Yes | B::No, B::NoButton, MessageAnswer::No},
        PromptCase{"EscOnYesNoCancel", MessageIcon::Question, MessageButtons::YesNoCancel,
                   B::Question, B::Yes | B::No | B::Cancel, B::NoButton, MessageAnswer::Cancel},
        PromptCase{"EscOnOk", MessageIcon::Information, MessageButtons::Ok, B::Information, B::Ok,
                   B::NoButton, MessageAnswer::Ok}),
    [](const testing::TestParamInfo<PromptCase>& info) { return std::string(info.param.name); });

class QtPromptsDefault : public GuiTest {};

TEST_F(QtPromptsDefault, EnterPressesTheNamedDefaultElseTheFirstButton) {
    struct Case {
        const char* what;
        MessageButtons buttons;
        std::optional<MessageAnswer> defaultAnswer;
        MessageAnswer enter;
    };
    const Case cases[] = {
        {"yes/no as asked", MessageButtons::YesNo, std::nullopt, MessageAnswer::Yes},
        {"yes/no, No named", MessageButtons::YesNo, MessageAnswer::No, MessageAnswer::No},
        {"yes/no/cancel, Cancel named", MessageButtons::YesNoCancel, MessageAnswer::Cancel,
         MessageAnswer::Cancel},
        {"ok/cancel as asked", MessageButtons::OkCancel, std::nullopt, MessageAnswer::Ok},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        QtPrompts prompts;
        ModalDriver driver([](QWidget* box) { QTest::keyClick(box, Qt::Key_Return); });
        const MessageAnswer answer =
            prompts.Ask("Damaged Data File", "Replace?", MessageIcon::Exclamation, c.buttons, false,
                        c.defaultAnswer);
        ASSERT_TRUE(driver.Ran());
        EXPECT_EQ(answer, c.enter);
    }
}

class QtPromptsOwner : public GuiTest {};

TEST_F(QtPromptsOwner, OwnedBoxesBelongToTheOwnerAndStartUpBoxesToNobody) {
    QWidget owner;
    owner.show();
    QtPrompts prompts;
    prompts.SetOwner(&owner);

    Shown owned;
    {
        ModalDriver driver = Answer(owned, QMessageBox::Ok);
        prompts.Ask("", "/tmp/x.pnd", MessageIcon::None, MessageButtons::Ok, true);
        ASSERT_TRUE(driver.Ran());
    }
    EXPECT_EQ(owned.parent, &owner);
    EXPECT_TRUE(owned.caption.isEmpty());

    Shown unowned;
    {
        ModalDriver driver = Answer(unowned, QMessageBox::Ok);
        prompts.Ask("", "/tmp/x.pnd", MessageIcon::None, MessageButtons::Ok, false);
        ASSERT_TRUE(driver.Ran());
    }
    EXPECT_EQ(unowned.parent, nullptr);
}

} // namespace
