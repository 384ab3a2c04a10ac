#include "FaultyFileOps.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"

#include "core/data/Store.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"
#include "core/reports/ReportPort.h"
#include "core/reports/ReportWriter.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <deque>

namespace {

// Scripted answers for the report dialogs; records every step shown, in order, and fails
// the test on a step nobody scripted.
class ScriptedReportPort final : public ReportPort {
public:
    std::deque<std::optional<ReportOptions>> options;
    std::deque<std::optional<std::string>> files;
    std::deque<WhatNextChoice> whatNext;
    std::vector<std::string> log;
    std::vector<FileDialogRequest> fileRequests;
    std::vector<std::uint16_t> pageLinesShown;

    ~ScriptedReportPort() override {
        EXPECT_TRUE(options.empty() && files.empty() && whatNext.empty())
            << "scripted answers left over";
    }
    std::optional<ReportOptions> ChooseReportOptions(std::uint16_t pageLines) override {
        log.push_back("options");
        pageLinesShown.push_back(pageLines);
        if (options.empty()) {
            ADD_FAILURE() << "unexpected options dialog";
            return std::nullopt;
        }
        auto answer = options.front();
        options.pop_front();
        return answer;
    }
    std::optional<std::string> ChooseReportFile(const FileDialogRequest& request) override {
        log.push_back("save as");
        fileRequests.push_back(request);
        if (files.empty()) {
            ADD_FAILURE() << "unexpected save dialog";
            return std::nullopt;
        }
        auto answer = files.front();
        files.pop_front();
        return answer;
    }
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon,
                     bool owned) override {
        log.push_back("message " + caption + ": " + text + " [" +
                      std::to_string(static_cast<int>(icon)) + (owned ? "" : ", unowned") + "]");
    }
    WhatNextChoice AskWhatNext() override {
        log.push_back("what next");
        if (whatNext.empty()) {
            ADD_FAILURE() << "unexpected What Next?";
            return WhatNextChoice::Cancel;
        }
        const WhatNextChoice answer = whatNext.front();
        whatNext.pop_front();
        return answer;
    }
    void OpenReport(const std::string& path, WhatNextChoice how) override {
        log.push_back(std::string(how == WhatNextChoice::Print ? "print " : "view ") + path);
    }
};

const std::string kInformation = std::to_string(static_cast<int>(MessageIcon::Information));
const std::string kExclamation = std::to_string(static_cast<int>(MessageIcon::Exclamation));
const std::string kNotWritten = "message Report Not Written: The requested report was not "
                                "written to disk. [" +
                                kInformation + ", unowned]";
const std::string kSuccess =
    "message Success: The requested report was successfully generated [" + kInformation + "]";

class ReportGenerateTest : public ::testing::Test {
protected:
    coretest::ScopedTimeZone tz{"America/New_York"};
    coretest::TempDir dir;
    CStore store;
    FakeClock clock{1774465200}; // 2026-03-25 15:00 EDT
    ScriptedReportPort port;
    CReport report;
    ReportOptions chosen;

    ReportGenerateTest() {
        store.AppendTask(std::make_unique<CTask>("Web"));
        auto period = std::make_unique<CDoneTask>("Web", "notes");
        period->SetStart(1774465200 - 7200);
        period->SetEnd(1774465200 - 3600);
        store.AppendDoneTask(std::move(period));
        report.AddItem("Web", 0, 0, PeriodToday);
        chosen.title = "Q1/2005 hours";
        chosen.showPeriods = true;
        chosen.pageLines = 10;
    }
    ReportEnvironment Environment(FileOps* ops = nullptr) {
        return ReportEnvironment{store, clock, 0, 15, ops};
    }
};

TEST_F(ReportGenerateTest, WritesTheReportAndOffersWhatNext) {
    const std::string path = dir.file("Q1.html");
    port.options.push_back(chosen);
    port.files.push_back(path);
    port.whatNext.push_back(WhatNextChoice::Print);
    EXPECT_TRUE(RunReportCommand(report, port, Environment(), ReportCommand::Standard));
    EXPECT_EQ(port.log, (std::vector<std::string>{"options", "save as", kSuccess, "what next",
                                                  "print " + path}));
    EXPECT_EQ(port.pageLinesShown, std::vector<std::uint16_t>{15});
    ASSERT_EQ(port.fileRequests.size(), 1u);
    EXPECT_EQ(port.fileRequests[0].initialName, "Q1.html");
    EXPECT_EQ(port.fileRequests[0].defaultSuffix, "html");
    EXPECT_EQ(port.fileRequests[0].filter, "HTML Files (*.htm *.html);;All Files (*)");
    EXPECT_EQ(report.GetLastPath(), path);
    EXPECT_EQ(report.GetReportOptions().pageLines, 10);
    // The file is exactly what the writer gives for the same moment.
    const std::string written = coretest::ReadFile(path);
    EXPECT_EQ(written, RenderReport(report, chosen, clock.Now(), 0, store));
    EXPECT_NE(written.find("01:00:00   notes<P>"), std::string::npos);
    // The item's range was brought up to now.
    EXPECT_EQ(report.Items().front()->GetEnd(), clock.Now());
}

TEST_F(ReportGenerateTest, CancelledStepsWriteNothing) {
    struct Case {
        ReportCommand command;
        bool cancelOptions;
        std::vector<std::string> log;
    };
    const std::string failure = "message Generation Failure: There was a problem generating the "
                                "requested report [" +
                                kExclamation + "]";
    const Case cases[] = {
        {ReportCommand::Standard, true, {"options"}},
        {ReportCommand::CustomFromContextMenu, true, {"options", failure}},
        {ReportCommand::Standard, false, {"options", "save as", kNotWritten}},
        {ReportCommand::CustomReport, false, {"options", "save as", kNotWritten}},
        {ReportCommand::CustomFromContextMenu, false, {"options", "save as", kNotWritten, failure}},
    };
    for (const Case& c : cases) {
        ScriptedReportPort local;
        if (c.cancelOptions) {
            local.options.push_back(std::nullopt);
        } else {
            local.options.push_back(chosen);
            local.files.push_back(std::nullopt);
        }
        EXPECT_FALSE(RunReportCommand(report, local, Environment(), c.command));
        EXPECT_EQ(local.log, c.log);
        EXPECT_TRUE(report.GetLastPath().empty());
    }
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
}

TEST_F(ReportGenerateTest, FailedWriteIsReportedAndKeepsTheOldFile) {
    const std::string path = dir.file("Q1.html");
    coretest::WriteFile(path, "old report");
    FaultyFileOps ops;
    ops.renameError = EACCES;
    port.options.push_back(chosen);
    port.files.push_back(path);
    EXPECT_FALSE(RunReportCommand(report, port, Environment(&ops), ReportCommand::CustomReport));
    ASSERT_EQ(port.log.size(), 3u);
    EXPECT_EQ(port.log[2].rfind("message Punchwell: ", 0), 0u) << port.log[2];
    EXPECT_NE(port.log[2].find(path), std::string::npos) << port.log[2];
    EXPECT_EQ(coretest::ReadFile(path), "old report");
    EXPECT_EQ(report.GetLastPath(), path);
}

TEST_F(ReportGenerateTest, CustomCommandsWithoutWhatNext) {
    for (const ReportCommand command :
         {ReportCommand::CustomFromContextMenu, ReportCommand::CustomFromReportsDialog}) {
        ScriptedReportPort local;
        local.options.push_back(chosen);
        local.files.push_back(dir.file("r.html"));
        EXPECT_TRUE(RunReportCommand(report, local, Environment(), command));
        EXPECT_EQ(local.log, (std::vector<std::string>{"options", "save as", kSuccess}));
    }
    // What Next? > Cancel leaves the file alone.
    port.options.push_back(chosen);
    port.files.push_back(dir.file("r.html"));
    port.whatNext.push_back(WhatNextChoice::Cancel);
    EXPECT_TRUE(RunReportCommand(report, port, Environment(), ReportCommand::CustomReport));
    EXPECT_EQ(port.log.back(), "what next");
}

} // namespace
