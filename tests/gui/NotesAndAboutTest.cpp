#include "GuiTestSupport.h"

#include "core/app/PunchwellApp.h"
#include "gui/app/SettingsOptionsStorage.h"
#include "gui/ui/AboutDlg.h"
#include "gui/ui/HyperLink.h"
#include "gui/ui/NotesDlg.h"

#include <QCheckBox>
#include <QDesktopServices>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QUrl>

#include <gtest/gtest.h>

namespace {

QVariant StoredOption(const char* name) {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                     QStringLiteral("Punchwell"))
        .value(QStringLiteral("Options/") + QLatin1String(name));
}

class NotesDlgTest : public GuiTest {
protected:
    void SetUp() override {
        QSettings(QSettings::NativeFormat, QSettings::UserScope, QStringLiteral("Quillmoor"),
                  QStringLiteral("Punchwell"))
            .clear();
        m_app.SetOptionsStorage(m_storage);
        m_app.Options().m_wWeekStart = 2;
    }
    QTemporaryDir m_dir;
    SettingsOptionsStorage m_storage;
    CPunchwellApp m_app{m_dir.path().toStdString()};
};

TEST_F(NotesDlgTest, ShowsTheProjectAndItsTextsAndOkStoresTheCheckBox) {
    CNotesDlg dlg(m_app, QStringLiteral("Garden & Co"));
    dlg.show();
    EXPECT_EQ(dlg.windowTitle(), QStringLiteral("Notes For Garden & Co"));
    EXPECT_EQ(dlg.findChild<QLabel*>(QStringLiteral("promptLabel"))->text(),
              QStringLiteral("Please enter any additional notes about the completed time period "
                             "in the box below. (Optional). Click OK to finish, or click Cancel "
                             "to continue working on the project."));
    auto* check = dlg.findChild<QCheckBox*>(QStringLiteral("showNotesCheck"));
    EXPECT_EQ(check->text(),
              QStringLiteral("Automatically show \"Notes\" dialog when checking out"));
    EXPECT_TRUE(check->isChecked());
    auto* ok = dlg.findChild<QPushButton*>(QStringLiteral("okButton"));
    EXPECT_TRUE(ok->isDefault());

    // Enter starts a new line in the box instead of closing the dialog.
    auto* edit = dlg.findChild<QPlainTextEdit*>(QStringLiteral("notesEdit"));
    edit->setFocus();
    QTest::keyClicks(edit, QStringLiteral("one"));
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("two"));
    EXPECT_TRUE(dlg.isVisible());
    check->setChecked(false);
    ok->click();
    EXPECT_EQ(dlg.result(), QDialog::Accepted);
    // Stored as the data file separates the lines of notes: CR LF.
    EXPECT_EQ(dlg.GetNotes(), QStringLiteral("one\r\ntwo"));
    EXPECT_EQ(m_app.GetOptions().m_bShowNotes, 0);
    // All the options are written, the others unchanged.
    EXPECT_EQ(StoredOption("Show Notes").toString(), QStringLiteral("0"));
    EXPECT_EQ(StoredOption("WeekStart").toString(), QStringLiteral("2"));
}

TEST_F(NotesDlgTest, CancelStoresNothingAndStartsFromGivenNotes) {
    m_app.Options().m_bShowNotes = 0;
    CNotesDlg dlg(m_app, QStringLiteral("Alpha"));
    dlg.SetNotes(QStringLiteral("earlier"));
    dlg.show();
    EXPECT_FALSE(dlg.findChild<QCheckBox*>(QStringLiteral("showNotesCheck"))->isChecked());
    EXPECT_EQ(dlg.findChild<QPlainTextEdit*>(QStringLiteral("notesEdit"))->toPlainText(),
              QStringLiteral("earlier"));
    dlg.findChild<QCheckBox*>(QStringLiteral("showNotesCheck"))->setChecked(true);
    dlg.findChild<QPushButton*>(QStringLiteral("cancelButton"))->click();
    EXPECT_EQ(dlg.result(), QDialog::Rejected);
    EXPECT_EQ(m_app.GetOptions().m_bShowNotes, 0);
    EXPECT_FALSE(StoredOption("Show Notes").isValid());
}

TEST_F(NotesDlgTest, StoredLinesShowAsPlainLinesAndComeBackUnchanged) {
    CNotesDlg dlg(m_app, QStringLiteral("Alpha"));
    dlg.SetNotes(QStringLiteral("first\r\nsecond"));
    dlg.show();
    auto* edit = dlg.findChild<QPlainTextEdit*>(QStringLiteral("notesEdit"));
    EXPECT_EQ(edit->blockCount(), 2);
    EXPECT_EQ(edit->document()->findBlockByNumber(0).text(), QStringLiteral("first"));
    // A line typed at the end joins them with the same line end.
    edit->setFocus();
    edit->moveCursor(QTextCursor::End);
    QTest::keyClick(edit, Qt::Key_Return);
    QTest::keyClicks(edit, QStringLiteral("third"));
    dlg.findChild<QPushButton*>(QStringLiteral("okButton"))->click();
    EXPECT_EQ(dlg.GetNotes(), QStringLiteral("first\r\nsecond\r\nthird"));
}

// Takes the URLs the desktop would open.
class UrlCatcher : public QObject {
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

TEST(AboutDlgTest, NamesTheProgramVersionAndLicenceAndItsLinkOpensTheHomePage) {
    CAboutDlg about;
    about.show();
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("nameLabel"))->text(),
              QStringLiteral("Punchwell"));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("versionLabel"))->text(),
              QStringLiteral("Version ") + QStringLiteral(PUNCHWELL_VERSION));
    EXPECT_EQ(about.findChild<QLabel*>(QStringLiteral("licenceLabel"))->text(),
              QStringLiteral("Licensed under the MIT License"));

    CHyperLink* link = about.Link();
    EXPECT_EQ(link->text(), QStringLiteral("https://punchwell.example.org"));
    EXPECT_EQ(link->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_TRUE(link->font().underline());

    UrlCatcher catcher;
    QDesktopServices::setUrlHandler(QStringLiteral("https"), &catcher, "open");
    QTest::mouseClick(link, Qt::LeftButton);
    link->setFocus();
    QTest::keyClick(link, Qt::Key_Space);
    // A press that ends outside the link opens nothing.
    QTest::mousePress(link, Qt::LeftButton);
    QTest::mouseRelease(link, Qt::LeftButton, {}, QPoint(-5, -5));
    QDesktopServices::unsetUrlHandler(QStringLiteral("https"));
    EXPECT_EQ(catcher.urls, (QList<QUrl>{QUrl(QStringLiteral("https://punchwell.example.org")),
                                         QUrl(QStringLiteral("https://punchwell.example.org"))}));
}

} // namespace

#include "NotesAndAboutTest.moc"
