// Every Alt+letter a window shows underlined must reach exactly one control or menu: two
// that claim the same letter make the first press only move the focus, and a letter that
// reaches nothing promises a key that does nothing.
#include "GuiTestSupport.h"

#include "support/FakePrompts.h"

#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/DoneTask.h"
#include "core/reports/Report.h"
#include "gui/reports/CustomReportDlg.h"
#include "gui/reports/ReportItemDlg.h"
#include "gui/reports/ReportOptionsDlg.h"
#include "gui/reports/ReportsDlg.h"
#include "gui/reports/TitlePageDlg.h"
#include "gui/reports/WhatNextDlg.h"
#include "gui/ui/AboutDlg.h"
#include "gui/ui/ConfigureProjectsDlg.h"
#include "gui/ui/DeletePeriodDlg.h"
#include "gui/ui/EnterPasswordDlg.h"
#include "gui/ui/IdleTimeDlg.h"
#include "gui/ui/LoadDataFileDlg.h"
#include "gui/ui/LockDlg.h"
#include "gui/ui/NewPasswordDlg.h"
#include "gui/ui/NotesDlg.h"
#include "gui/ui/OptionsDlg.h"
#include "gui/ui/ProjectDlg.h"
#include "gui/ui/PunchwellDlg.h"
#include "gui/ui/SelectProjectDlg.h"
#include "gui/ui/StatusDlg.h"
#include "gui/ui/TimeRecordsDlg.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMenuBar>
#include <QShortcutEvent>
#include <QTest>

#include <functional>
#include <map>
#include <memory>
#include <set>

namespace {

// Records the shortcut events a key press produces and swallows them, so the test sees which
// controls a key reaches without running what they do.
class ShortcutCatcher : public QObject {
public:
    struct Hit {
        QObject* receiver;
        bool ambiguous;
    };
    std::vector<Hit> hits;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Shortcut) {
            hits.push_back({watched, static_cast<QShortcutEvent*>(event)->isAmbiguous()});
            return true;
        }
        return false;
    }
};

// The letter after a single '&' ("Con&figure..." gives F); none for "&&" alone.
QChar MnemonicOf(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != QLatin1Char('&'))
            continue;
        if (text[i + 1] == QLatin1Char('&')) {
            ++i;
            continue;
        }
        return text[i + 1].isLetterOrNumber() ? text[i + 1].toUpper() : QChar();
    }
    return {};
}

// Every underlined letter a person sees in the window, with what shows it.
std::map<QChar, QStringList> ShownMnemonics(QWidget* window) {
    std::map<QChar, QStringList> shown;
    // A grayed control's letter does nothing, as a person expects.
    auto note = [&](const QString& text, QWidget* owner) {
        if (!owner->isVisibleTo(window) || !owner->isEnabled())
            return;
        if (const QChar letter = MnemonicOf(text); !letter.isNull())
            shown[letter] << text;
    };
    for (QAbstractButton* b : window->findChildren<QAbstractButton*>())
        note(b->text(), b);
    for (QGroupBox* g : window->findChildren<QGroupBox*>())
        note(g->title(), g);
    // A label underlines its letter only when it leads to a buddy.
    for (QLabel* l : window->findChildren<QLabel*>())
        if (l->buddy() != nullptr)
            note(l->text(), l);
    for (QMenuBar* bar : window->findChildren<QMenuBar*>())
        for (QAction* a : bar->actions())
            note(a->text(), bar);
    return shown;
}

struct WindowCase {
    const char* name;
    std::function<std::unique_ptr<QWidget>(CPunchwellSession&, Prompts&, CReport&)> make;
};

void PrintTo(const WindowCase& c, std::ostream* os) {
    *os << c.name;
}

class Mnemonics : public GuiTest, public testing::WithParamInterface<WindowCase> {
protected:
    void SetUp() override {
        for (const char* name : {"Alpha", "Beta"}) {
            auto task = std::make_unique<CTask>(name);
            m_app.Store().AddTask(task);
        }
        auto period = std::make_unique<CDoneTask>("Alpha", "notes");
        period->SetStart(1700000000);
        period->SetEnd(1700003600);
        m_app.Store().AddDoneTask(period);
        m_app.Options().m_bShowListOnStart = 0;
        m_app.SetPrompts(m_prompts);
    }

    QTemporaryDir m_dir;
    FakePrompts m_prompts;
    CPunchwellSession m_session{m_dir.path().toStdString()};
    CPunchwellApp& m_app = m_session.App();
    CReport m_report;
};

TEST_P(Mnemonics, EachShownLetterReachesExactlyOneControl) {
    std::unique_ptr<QWidget> window = GetParam().make(m_session, m_prompts, m_report);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window.get()));

    // A window without underlined letters passes as it is, and is checked once it has some.
    const std::map<QChar, QStringList> shown = ShownMnemonics(window.get());
    ShortcutCatcher catcher;
    qApp->installEventFilter(&catcher);
    for (const auto& [letter, texts] : shown) {
        SCOPED_TRACE(QStringLiteral("Alt+%1 shown by %2")
                         .arg(letter, texts.join(QStringLiteral(", ")))
                         .toStdString());
        catcher.hits.clear();
        QWidget* target = QApplication::focusWidget() ? QApplication::focusWidget() : window.get();
        QTest::keyClick(target, static_cast<Qt::Key>(letter.unicode()), Qt::AltModifier);
        ASSERT_EQ(catcher.hits.size(), 1u) << "the key reaches nothing";
        EXPECT_FALSE(catcher.hits[0].ambiguous) << "more than one control claims the key";
    }
    qApp->removeEventFilter(&catcher);
}

template <typename Dialog, typename... Args> std::unique_ptr<QWidget> Make(Args&&... args) {
    return std::make_unique<Dialog>(std::forward<Args>(args)...);
}

const WindowCase kWindows[] = {
    {"MainWindow",
     [](CPunchwellSession& session, Prompts&, CReport&) {
         auto dlg = std::make_unique<CPunchwellDlg>(session);
         dlg->Initialise();
         return std::unique_ptr<QWidget>(std::move(dlg));
     }},
    {"AddAProject",
     [](CPunchwellSession& session, Prompts& p, CReport&) {
         return Make<CProjectDlg>(session.App().Store(), p, CProjectDlg::AddMode);
     }},
    {"EditProject",
     [](CPunchwellSession& session, Prompts& p, CReport&) {
         return Make<CProjectDlg>(session.App().Store(), p, CProjectDlg::EditMode);
     }},
    {"SelectProject",
     [](CPunchwellSession& session, Prompts&, CReport&) {
         return Make<CSelectProjectDlg>(session.App().Store(), QString());
     }},
    {"Notes", [](CPunchwellSession& session, Prompts&,
                 CReport&) { return Make<CNotesDlg>(session.App(), QStringLiteral("Alpha")); }},
    {"ConfigureProjects",
     [](CPunchwellSession& session, Prompts& p, CReport&) {
         CConfigureProjectsDlg::Hooks hooks;
         hooks.viewRecords = [](CTask&) {};
         hooks.options = [] {};
         return Make<CConfigureProjectsDlg>(session.App(), p, std::move(hooks));
     }},
    {"TimeRecords",
     [](CPunchwellSession& session, Prompts& p, CReport&) {
         CTimeRecordsDlg::Hooks hooks;
         hooks.reporting = [](QWidget*) {};
         return Make<CTimeRecordsDlg>(session.App(), p, *session.App().Store().FindTask("Alpha"),
                                      std::move(hooks));
     }},
    {"DeleteTimePeriod",
     [](CPunchwellSession&, Prompts&, CReport&) { return Make<CDeletePeriodDlg>(); }},
    {"StatusFor",
     [](CPunchwellSession& session, Prompts&, CReport&) {
         auto dlg = std::make_unique<CStatusDlg>(session.App(), QStringLiteral("Alpha"));
         dlg->SetReportingAvailable(true);
         return std::unique_ptr<QWidget>(std::move(dlg));
     }},
    {"Options", [](CPunchwellSession& session, Prompts& p,
                   CReport&) { return Make<COptionsDlg>(session.App(), p); }},
    {"NewPassword",
     [](CPunchwellSession&, Prompts& p, CReport&) { return Make<CNewPasswordDlg>(p); }},
    {"EnterThePassword", [](CPunchwellSession&, Prompts& p,
                            CReport&) { return Make<CEnterPasswordDlg>(p, std::string("x")); }},
    {"LockProgram", [](CPunchwellSession&, Prompts&, CReport&) { return Make<CLockDlg>(true); }},
    {"LoadDataFile",
     [](CPunchwellSession&, Prompts& p, CReport&) { return Make<CLoadDataFileDlg>(p); }},
    {"About", [](CPunchwellSession&, Prompts&, CReport&) { return Make<CAboutDlg>(); }},
    {"Reports", [](CPunchwellSession&, Prompts&, CReport&) { return Make<CReportsDlg>(); }},
    {"ChooseReportOptions",
     [](CPunchwellSession& session, Prompts& p, CReport&) {
         return Make<CReportOptionsDlg>(session.App(), p, std::uint16_t{15});
     }},
    {"TitlePageOptions", [](CPunchwellSession&, Prompts& p,
                            CReport&) { return Make<CTitlePageDlg>(p, std::uint16_t{15}); }},
    {"GenerateCustomReport",
     [](CPunchwellSession& session, Prompts& p, CReport& report) {
         return Make<CCustomReportDlg>(session.App(), p, &report);
     }},
    {"AddCustomReportItem",
     [](CPunchwellSession& session, Prompts& p, CReport& report) {
         return Make<CReportItemDlg>(session.App().Store(), report, p, 2026);
     }},
    {"IdleTime", [](CPunchwellSession&, Prompts&, CReport&) { return Make<CIdleTimeDlg>(); }},
    {"WhatNext", [](CPunchwellSession&, Prompts&, CReport&) { return Make<CWhatNextDlg>(); }},
};

INSTANTIATE_TEST_SUITE_P(EveryWindow, Mnemonics, testing::ValuesIn(kWindows),
                         [](const testing::TestParamInfo<WindowCase>& info) {
                             return std::string(info.param.name);
                         });

} // namespace
