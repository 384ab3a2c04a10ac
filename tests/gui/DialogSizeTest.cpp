// Dialogs fit the screen whatever the project names, and show their captions whole.
#include "GuiTestSupport.h"

#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/reports/Report.h"
#include "gui/app/QtPrompts.h"
#include "gui/reports/ReportItemDlg.h"
#include "gui/ui/ConfigureProjectsDlg.h"
#include "gui/ui/DialogFitter.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/LockDlg.h"
#include "gui/ui/OptionsDlg.h"
#include "gui/ui/SelectProjectDlg.h"
#include "gui/ui/StatusDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QScreen>
#include <QTest>

#include <functional>
#include <memory>

namespace {

QString LongName() {
    QString name;
    while (name.size() < 160)
        name += QStringLiteral("Quarterly review ");
    return name.left(160);
}

int ScreenWidth() {
    return QGuiApplication::primaryScreen()->availableGeometry().width();
}

class DialogSize : public GuiTest {
protected:
    void SetUp() override {
        for (const QString& name : {QStringLiteral("Alpha"), LongName()}) {
            auto task = std::make_unique<CTask>(name.toStdString());
            m_app.Store().AddTask(task);
        }
        m_app.SetPrompts(m_prompts);
        qApp->installEventFilter(&m_fitter);
    }
    void TearDown() override {
        qApp->removeEventFilter(&m_fitter);
        GuiTest::TearDown();
    }
    static void Show(QWidget& w) {
        w.show();
        ASSERT_TRUE(QTest::qWaitForWindowExposed(&w));
    }

    QTemporaryDir m_dir;
    FakePrompts m_prompts;
    CPunchwellApp m_app{m_dir.path().toStdString()};
    CDialogFitter m_fitter;
};

TEST_F(DialogSize, ALongProjectNameWidensNoDialogAndShowsWholeAsATooltip) {
    // Each dialog that lists projects, with its list, and its width with short names only.
    struct Case {
        const char* what;
        std::function<std::unique_ptr<QWidget>(CPunchwellApp&, Prompts&, CReport&)> make;
        const char* list;
    };
    CReport report;
    const Case cases[] = {
        {"Options",
         [](CPunchwellApp& a, Prompts& p, CReport&) {
             return std::unique_ptr<QWidget>(std::make_unique<COptionsDlg>(a, p));
         },
         "defaultProjectCombo"},
        {"Add Custom Report Item",
         [](CPunchwellApp& a, Prompts& p, CReport& r) {
             return std::unique_ptr<QWidget>(
                 std::make_unique<CReportItemDlg>(a.Store(), r, p, 2026));
         },
         "projectCombo"},
        {"Select Project",
         [](CPunchwellApp& a, Prompts&, CReport&) {
             return std::unique_ptr<QWidget>(
                 std::make_unique<CSelectProjectDlg>(a.Store(), QString()));
         },
         "projectList"},
        {"Configure Projects",
         [](CPunchwellApp& a, Prompts& p, CReport&) {
             return std::unique_ptr<QWidget>(
                 std::make_unique<CConfigureProjectsDlg>(a, p, CConfigureProjectsDlg::Hooks{}));
         },
         "projectList"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        int shortWidth = 0;
        {
            QTemporaryDir dir;
            CPunchwellApp shortNames(dir.path().toStdString());
            auto task = std::make_unique<CTask>("Alpha");
            shortNames.Store().AddTask(task);
            auto dlg = c.make(shortNames, m_prompts, report);
            Show(*dlg);
            shortWidth = dlg->width();
        }
        auto dlg = c.make(m_app, m_prompts, report);
        Show(*dlg);
        EXPECT_EQ(dlg->width(), shortWidth) << "the name widened the dialog";
        EXPECT_LE(dlg->frameGeometry().width(), ScreenWidth());

        QString tip;
        if (auto* combo = dlg->findChild<QComboBox*>(QString::fromLatin1(c.list))) {
            const int row = combo->findText(LongName());
            ASSERT_GE(row, 0);
            tip = combo->itemData(row, Qt::ToolTipRole).toString();
        } else {
            auto* list = dlg->findChild<QListWidget*>(QString::fromLatin1(c.list));
            ASSERT_NE(list, nullptr);
            const auto found = list->findItems(LongName(), Qt::MatchExactly);
            ASSERT_EQ(found.size(), 1);
            tip = found.first()->toolTip();
            // Shortened in the view, never scrolled sideways.
            EXPECT_LE(list->visualItemRect(found.first()).width(), list->viewport()->width());
        }
        EXPECT_EQ(tip, LongName());
    }
}

TEST_F(DialogSize, DialogsAndMessageBoxesAreAsWideAsTheirCaptions) {
    CStatusDlg status(m_app, QStringLiteral("Alpha"));
    Show(status);
    EXPECT_GE(status.width(), CDialogFitter::CaptionWidth(&status));

    // A caption longer than the screen is wide: the dialog stops at the screen's edge.
    CStatusDlg longStatus(m_app, LongName());
    Show(longStatus);
    EXPECT_LE(longStatus.frameGeometry().width(), ScreenWidth());
    EXPECT_GE(longStatus.width(), CDialogFitter::CaptionWidth(&longStatus));

    QtPrompts prompts;
    int boxWidth = 0;
    int wanted = 0;
    ModalDriver driver([&](QWidget* box) {
        boxWidth = box->width();
        wanted = CDialogFitter::CaptionWidth(box);
        QTest::keyClick(box, Qt::Key_Return);
    });
    prompts.Ask("Restore Complete", "Restored 1 time periods", MessageIcon::Information,
                MessageButtons::Ok);
    ASSERT_TRUE(driver.Ran());
    EXPECT_GE(boxWidth, wanted);
    EXPECT_GT(wanted, 150) << "the caption counts";
}

TEST_F(DialogSize, LockProgramReadsAsOneParagraph) {
    CLockDlg lock(true);
    const QList<QLabel*> labels = lock.findChildren<QLabel*>();
    ASSERT_EQ(labels.size(), 1);
    EXPECT_EQ(labels.first()->text(),
              QStringLiteral("Locking the program will hide the main window, and disable all "
                             "commands until the UnLock program command is chosen, and the "
                             "correct password is entered. Are you sure you want to lock the "
                             "program? (Note: Timing will continue even when the program is "
                             "locked.)"));
}

TEST_F(DialogSize, TheHelpWindowOpensInsideTheScreensFreeArea) {
    CHelpWindow::CloseHelp();
    QApplication::processEvents();
    CHelpWindow::ShowContext(4);
    CHelpWindow* help = CHelpWindow::Instance();
    ASSERT_NE(help, nullptr);
    ASSERT_TRUE(QTest::qWaitForWindowExposed(help));
    const QRect area = help->screen()->availableGeometry();
    EXPECT_TRUE(area.contains(help->geometry()))
        << "window " << help->geometry().x() << "," << help->geometry().y() << " " << help->width()
        << "x" << help->height();
    // The index shows its entries whole.
    auto* topics = help->findChild<QListWidget*>(QStringLiteral("topicList"));
    ASSERT_NE(topics, nullptr);
    EXPECT_GE(topics->viewport()->width(), topics->sizeHintForColumn(0));
    CHelpWindow::CloseHelp();
}

} // namespace
