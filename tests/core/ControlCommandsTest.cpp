#include "core/app/ControlCommands.h"

#include "core/app/ControlProtocol.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/app/SessionControlTarget.h"
#include "core/data/DoneTask.h"
#include "core/timing/CheckIn.h"
#include "support/CoreTestSupport.h"
#include "support/FakeClock.h"
#include "support/FakeIdleSource.h"
#include "support/FakePrompts.h"

#include <gtest/gtest.h>

#include <memory>
#include <ostream>
#include <string>
#include <vector>

namespace {

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;

// 2023-11-14 17:13:20 in New York (UTC-5).
constexpr std::int32_t kT0 = 1700000000;

// The desktop's windows as the gate asks about them.
class FakeDesktop final : public Desktop {
public:
    bool OtherWindowOpen() const override { return open; }
    bool open = false;
};

ControlRequest Request(std::string command, std::vector<std::string> operands = {},
                       std::map<std::string, std::string> options = {}) {
    return ControlRequest{std::move(command), std::move(operands), std::move(options)};
}

class ControlCommandsTest : public testing::Test {
protected:
    ControlCommandsTest() {
        m_session.SetDesktop(m_desktop);
        m_session.Subscribe([this](const SessionChanges& c) { m_changes += c.state ? 1 : 0; });
        App().SetClock(&m_clock);
        App().SetPrompts(m_prompts);
        for (const char* name : {"Website", "Client \"A\" work", "Ölçüm", "Beta"}) {
            auto task = std::make_unique<CTask>(name);
            App().Store().AddTask(task);
        }
        App().Store().FindTask("Website")->SetRate(25, 50);
    }

    CPunchwellApp& App() { return m_session.App(); }
    CCheckIn& CheckIn() { return m_session.CheckInState(); }
    ControlReply Run(const ControlRequest& request) {
        CSessionControlTarget target(m_session, m_canAsk);
        return CControlCommands::Run(request, target);
    }
    // Shuts the gate the way the program does.
    void Refuse(ControlRefusal refusal) {
        App().SetLockFlag(refusal == ControlRefusal::Locked ? 1 : 0);
        m_desktop.open = refusal == ControlRefusal::DialogOpen;
    }

    // The periods in the data file on disk, head first.
    std::vector<CDoneTask> Saved() const {
        CPunchwellApp reader(m_dir.str());
        reader.LoadData();
        std::vector<CDoneTask> out;
        for (const auto& p : reader.Store().DoneTasks())
            out.push_back(*p);
        return out;
    }

    ScopedTimeZone m_tz{"America/New_York"};
    TempDir m_dir;
    FakeClock m_clock{kT0};
    FakePrompts m_prompts;
    FakeDesktop m_desktop;
    CPunchwellSession m_session{m_dir.str()};
    bool m_canAsk = false; // someone at the keyboard answers the Notes dialog
    int m_changes = 0;
};

TEST_F(ControlCommandsTest, StatusTellsTheRunningPeriodInTextAndJson) {
    EXPECT_EQ(Run(Request("status")).out, "Checked out.\n");
    EXPECT_EQ(Run(Request("status", {}, {{"--json", ""}})).out,
              "{\"checked_in\":false,\"project\":null,\"start\":null,\"elapsed_seconds\":null,"
              "\"today_seconds\":null,\"locked\":false}\n");

    // An earlier period today counts in today's total.
    auto earlier = std::make_unique<CDoneTask>("Website", "");
    earlier->Begin(kT0 - 7200);
    earlier->Finish(kT0 - 3600);
    App().Store().AddDoneTask(earlier);
    ASSERT_EQ(Run(Request("in", {"Website"})).exitCode, kControlOk);
    m_clock.advance(5025);
    EXPECT_EQ(
        Run(Request("status", {}, {{"--json", ""}})).out,
        "{\"checked_in\":true,\"project\":\"Website\",\"start\":\"2023-11-14T17:13:20-05:00\","
        "\"elapsed_seconds\":5025,\"today_seconds\":8625,\"locked\":false}\n");
    EXPECT_EQ(Run(Request("status")).out, "Checked in to Website since 2023-11-14 17:13:20 "
                                          "(1:23:45); today 2:23:45 on Website.\n");
}

TEST_F(ControlCommandsTest, StatusJsonTellsTheIdleTimeWhenTheProgramKnowsIt) {
    FakeIdleSource idle(m_clock);
    m_session.Idle().SetSource(&idle);
    m_clock.advance(90);
    m_session.Idle().OnTick(m_clock.Now());
    EXPECT_EQ(Run(Request("status", {}, {{"--json", ""}})).out,
              "{\"checked_in\":false,\"project\":null,\"start\":null,\"elapsed_seconds\":null,"
              "\"today_seconds\":null,\"locked\":false,\"idle_seconds\":90}\n");
    // Locked, the status says nothing but that.
    Refuse(ControlRefusal::Locked);
    EXPECT_EQ(Run(Request("status", {}, {{"--json", ""}})).out.find("idle_seconds"),
              std::string::npos);
    m_session.Idle().SetSource(nullptr);
}

TEST_F(ControlCommandsTest, InSavesTheNewPeriodAndAcceptsAnyName) {
    for (const std::string name : {"Client \"A\" work", "Ölçüm", "Website"}) {
        SCOPED_TRACE(name);
        const ControlReply reply = Run(Request("in", {name}));
        EXPECT_EQ(reply.exitCode, kControlOk) << reply.err;
        EXPECT_EQ(reply.out, "Checked in to " + name + ".\n");
        const auto saved = Saved();
        ASSERT_FALSE(saved.empty());
        EXPECT_EQ(saved.front().GetProject(), name);
        EXPECT_TRUE(saved.front().IsRunning());
        m_clock.advance(60);
    }
    // Each later check-in ended the one before, without notes since nobody could be asked.
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 3U);
    EXPECT_FALSE(saved[1].IsRunning());
    EXPECT_EQ(saved[1].GetEnd(), kT0 + 120);
    EXPECT_EQ(saved[1].GetNotes(), "");
    EXPECT_GE(m_changes, 3);
}

TEST_F(ControlCommandsTest, ProjectNamesMatchExactlyOrByLatinCaseWhenThatPicksOne) {
    EXPECT_EQ(Run(Request("in", {"website"})).out, "Checked in to Website.\n");

    auto twin = std::make_unique<CTask>("BETA");
    App().Store().AddTask(twin);
    const ControlReply ambiguous = Run(Request("switch", {"beta"}));
    EXPECT_EQ(ambiguous.exitCode, kControlUsage);
    EXPECT_NE(ambiguous.err.find("ambiguous"), std::string::npos) << ambiguous.err;
    const ControlReply unknown = Run(Request("in", {"Nope"}));
    EXPECT_EQ(unknown.exitCode, kControlUsage);
    EXPECT_EQ(unknown.err, "There is no project named \"Nope\". Nothing was changed.");
    // Neither refusal touched the running period.
    EXPECT_EQ(CheckIn().GetCurrentProject(), "Website");
    EXPECT_EQ(Saved().size(), 1U);
    // An exact name always wins over the case-folded ones.
    EXPECT_EQ(Run(Request("switch", {"BETA"})).out, "Checked in to BETA.\n");
}

TEST_F(ControlCommandsTest, NotesFromTheCommandLineSkipTheDialog) {
    ASSERT_EQ(Run(Request("in", {"Beta"})).exitCode, kControlOk);
    m_clock.advance(30);
    m_canAsk = true; // a queued Notes dialog would be required; none is
    const ControlReply reply = Run(Request("out", {}, {{"--notes", "done\nfor today"}}));
    EXPECT_EQ(reply.exitCode, kControlOk);
    EXPECT_EQ(reply.out, "Checked out of Beta.\n");
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 1U);
    EXPECT_EQ(saved[0].GetNotes(), "done\nfor today");
    EXPECT_EQ(saved[0].GetEnd(), kT0 + 30);
    EXPECT_FALSE(saved[0].IsRunning());
    EXPECT_EQ(Run(Request("out")).out, "Already checked out.\n");
}

TEST_F(ControlCommandsTest, WithSomeoneThereNotesAreAskedAndMayBeCancelled) {
    m_canAsk = true;
    ASSERT_EQ(Run(Request("in", {"Beta"})).exitCode, kControlOk);
    m_prompts.ExpectNotes("Beta", std::nullopt);
    const ControlReply cancelled = Run(Request("toggle"));
    EXPECT_EQ(cancelled.exitCode, kControlCancelled);
    EXPECT_TRUE(CheckIn().IsCheckedIn());

    m_prompts.ExpectNotes("Beta", std::string("typed"));
    const ControlReply switched = Run(Request("switch", {"Website"}));
    EXPECT_EQ(switched.exitCode, kControlOk) << switched.err;
    const auto saved = Saved();
    ASSERT_EQ(saved.size(), 2U);
    EXPECT_EQ(saved[1].GetNotes(), "typed");
    EXPECT_EQ(saved[0].GetProject(), "Website");
}

TEST_F(ControlCommandsTest, ToggleResumesTheLatestProjectUsed) {
    const ControlReply none = Run(Request("toggle"));
    EXPECT_EQ(none.exitCode, kControlUsage);
    EXPECT_TRUE(Saved().empty());

    for (const char* name : {"Beta", "Website"}) {
        ASSERT_EQ(Run(Request("in", {name})).exitCode, kControlOk);
        m_clock.advance(10);
    }
    EXPECT_EQ(Run(Request("toggle")).out, "Checked out of Website.\n");
    m_clock.advance(10);
    EXPECT_EQ(Run(Request("toggle")).out, "Checked in to Website.\n");
    EXPECT_EQ(Run(Request("in", {"Website"})).out, "Already checked in to Website.\n");
    EXPECT_EQ(Saved().size(), 3U);
}

TEST_F(ControlCommandsTest, SwitchNeedsARunningPeriod) {
    const ControlReply reply = Run(Request("switch", {"Beta"}));
    EXPECT_EQ(reply.exitCode, kControlUsage);
    EXPECT_FALSE(CheckIn().IsCheckedIn());
}

TEST_F(ControlCommandsTest, ProjectsListRatesAndTodayWithTheCurrentOneMarked) {
    ASSERT_EQ(Run(Request("in", {"Website"})).exitCode, kControlOk);
    m_clock.advance(90);
    CheckIn().OnTick(m_clock.Now());
    EXPECT_EQ(Run(Request("projects")).out, "  Beta\t0.00\t0:00:00\n"
                                            "  Client \"A\" work\t0.00\t0:00:00\n"
                                            "* Website\t25.50\t0:01:30\n"
                                            "  Ölçüm\t0.00\t0:00:00\n");
    const std::string json = Run(Request("projects", {}, {{"--json", ""}})).out;
    EXPECT_NE(json.find("{\"name\":\"Website\",\"rate\":\"25.50\",\"today_seconds\":90,"
                        "\"checked_in\":true}"),
              std::string::npos)
        << json;
    EXPECT_NE(json.find("{\"name\":\"Client \\\"A\\\" work\""), std::string::npos) << json;
}

struct RefusalCase {
    const char* name;
    ControlRefusal refusal;
    ControlRequest request;
    int exitCode;
};
// ctest lists each case by its name.
void PrintTo(const RefusalCase& c, std::ostream* os) {
    *os << c.name;
}

class ControlRefusalTest : public ControlCommandsTest,
                           public testing::WithParamInterface<RefusalCase> {};

TEST_P(ControlRefusalTest, NothingChanges) {
    ASSERT_EQ(Run(Request("in", {"Beta"})).exitCode, kControlOk);
    const std::string before = ReadFile(App().GetDataPath());
    m_clock.advance(100);
    Refuse(GetParam().refusal);
    const ControlReply reply = Run(GetParam().request);
    EXPECT_EQ(reply.exitCode, GetParam().exitCode) << reply.err;
    if (reply.exitCode != kControlOk) {
        EXPECT_NE(reply.err.find("Nothing was changed."), std::string::npos) << reply.err;
    }
    EXPECT_EQ(ReadFile(App().GetDataPath()), before);
    EXPECT_EQ(CheckIn().GetCurrentProject(), "Beta");
}

const auto kLocked = ControlRefusal::Locked;
const auto kDialog = ControlRefusal::DialogOpen;

INSTANTIATE_TEST_SUITE_P(
    Gate, ControlRefusalTest,
    testing::Values(
        RefusalCase{"LockedIn", kLocked, Request("in", {"Website"}), kControlLocked},
        RefusalCase{"LockedOut", kLocked, Request("out", {}, {{"--notes", "x"}}), kControlLocked},
        RefusalCase{"LockedSwitch", kLocked, Request("switch", {"Website"}), kControlLocked},
        RefusalCase{"LockedToggle", kLocked, Request("toggle"), kControlLocked},
        RefusalCase{"LockedProjects", kLocked, Request("projects"), kControlLocked},
        RefusalCase{"LockedStatus", kLocked, Request("status"), kControlOk},
        RefusalCase{"DialogIn", kDialog, Request("in", {"Website"}), kControlDialogOpen},
        RefusalCase{"DialogOut", kDialog, Request("out"), kControlDialogOpen},
        RefusalCase{"DialogToggle", kDialog, Request("toggle"), kControlDialogOpen},
        RefusalCase{"LockedAdd", kLocked,
                    Request("add", {"Beta"},
                            {{"--start", "2023-11-14T09:00"}, {"--end", "2023-11-14T10:00"}}),
                    kControlLocked},
        RefusalCase{"DialogEdit", kDialog,
                    Request("edit", {}, {{"--start", "2023-11-14T17:13:20"}, {"--notes", "x"}}),
                    kControlDialogOpen},
        RefusalCase{"DialogStatus", kDialog, Request("status"), kControlOk},
        RefusalCase{"DialogProjects", kDialog, Request("projects"), kControlOk},
        RefusalCase{"UnknownCommand", ControlRefusal::None, Request("frobnicate"), kControlUsage},
        RefusalCase{"MissingOperand", ControlRefusal::None, Request("in"), kControlUsage},
        RefusalCase{"ExtraOperand", ControlRefusal::None, Request("out", {"Website"}),
                    kControlUsage},
        RefusalCase{"UnknownOption", ControlRefusal::None,
                    Request("in", {"Website"}, {{"--x", ""}}), kControlUsage},
        RefusalCase{"ValueOnFlag", ControlRefusal::None, Request("status", {}, {{"--json", "yes"}}),
                    kControlUsage}),
    [](const testing::TestParamInfo<RefusalCase>& info) { return info.param.name; });

TEST_F(ControlCommandsTest, AddAndEditAreCorrectionsOfTheSessionThatUndoTakesBack) {
    const ControlRequest add = Request("add", {"Beta"},
                                       {{"--start", "2023-11-14T09:00"},
                                        {"--end", "2023-11-14T10:30:15"},
                                        {"--notes", "at the client's"}});
    ControlReply reply = Run(add);
    ASSERT_EQ(reply.exitCode, kControlOk) << reply.err;
    EXPECT_EQ(reply.out, "added: Beta, 11/14/23 09:00:00 to 10:30:15\n");
    ASSERT_EQ(Saved().size(), 1U);
    EXPECT_EQ(Saved()[0].GetNotes(), "at the client's");
    EXPECT_GE(m_changes, 1);

    // The same project may not overlap itself; another project may, with a warning.
    reply = Run(
        Request("add", {"Beta"}, {{"--start", "2023-11-14T10:00"}, {"--end", "2023-11-14T11:00"}}));
    EXPECT_EQ(reply.exitCode, kControlUsage);
    EXPECT_NE(reply.err.find("Give --join to make them one period. Nothing was changed."),
              std::string::npos)
        << reply.err;
    reply = Run(Request("add", {"Website"},
                        {{"--start", "2023-11-14T10:00"}, {"--end", "2023-11-14T11:00"}}));
    EXPECT_EQ(reply.exitCode, kControlOk) << reply.err;
    EXPECT_EQ(reply.err, "warning: Overlaps Beta: 11/14/23 09:00:00 to 10:30:15.\n");
    ASSERT_EQ(Saved().size(), 2U);

    reply = Run(Request("edit", {},
                        {{"--start", "2023-11-14T09:00:00"}, {"--new-end", "2023-11-14T09:45"}}));
    ASSERT_EQ(reply.exitCode, kControlOk) << reply.err;
    EXPECT_EQ(reply.out, "changed: Beta, 11/14/23 09:00:00 to 09:45:00\n");
    // The change from outside is the session's last correction, as one made in Time Records.
    ASSERT_TRUE(m_session.PeriodEditor().Undo());
    EXPECT_EQ(App().Store().FindDoneTask(kT0 - 8 * 3600 - 13 * 60 - 20)->GetEnd(),
              kT0 - 8 * 3600 - 13 * 60 - 20 + 5415);

    // The running program keeps its own clock.
    m_canAsk = true;
    reply = Run(Request("add", {"Beta"},
                        {{"--start", "2023-11-14T08:00"},
                         {"--end", "2023-11-14T08:30"},
                         {"--now", "2023-11-15T00:00:00"}}));
    EXPECT_EQ(reply.exitCode, kControlUsage);
    EXPECT_NE(reply.err.find("keeps its own clock"), std::string::npos) << reply.err;
}

TEST_F(ControlCommandsTest, LockedStatusShowsNothingButTheLock) {
    ASSERT_EQ(Run(Request("in", {"Beta"})).exitCode, kControlOk);
    Refuse(ControlRefusal::Locked);
    EXPECT_EQ(Run(Request("status", {}, {{"--json", ""}})).out,
              "{\"checked_in\":false,\"project\":null,\"start\":null,\"elapsed_seconds\":null,"
              "\"today_seconds\":null,\"locked\":true}\n");
    EXPECT_EQ(Run(Request("status")).out, "Punchwell is locked.\n");
}

TEST(ControlCommandsSaveTest, AFailedSaveIsReportedWithItsCause) {
    TempDir dir;
    FakeClock clock{kT0};
    CPunchwellSession session(dir.file("missing-folder"));
    session.App().SetClock(&clock);
    auto task = std::make_unique<CTask>("Beta");
    session.App().Store().AddTask(task);
    CSessionControlTarget target(session, false);
    const ControlReply reply = CControlCommands::Run(Request("in", {"Beta"}), target);
    EXPECT_EQ(reply.exitCode, kControlSaveFailed);
    EXPECT_EQ(reply.out, "");
    EXPECT_NE(reply.err.find("missing-folder"), std::string::npos) << reply.err;
    // Run on the data file alone, the check-in ends with the run: it is not said done.
    EXPECT_EQ(reply.err.find("Checked in"), std::string::npos) << reply.err;
    EXPECT_NE(reply.err.find("Nothing was changed."), std::string::npos) << reply.err;

    // A correction that did not reach the disk is not said done.
    const ControlReply added = CControlCommands::Run(
        Request("add", {"Beta"}, {{"--start", "2023-11-14T09:00"}, {"--end", "2023-11-14T10:00"}}),
        target);
    EXPECT_EQ(added.exitCode, kControlSaveFailed);
    EXPECT_EQ(added.out, "");
    EXPECT_NE(added.err.find("missing-folder"), std::string::npos) << added.err;
    EXPECT_NE(added.err.find("Nothing was changed."), std::string::npos) << added.err;
}

TEST(ControlProtocolTest, RequestsAndRepliesTravelUnchanged) {
    const ControlRequest request =
        Request("switch", {std::string("A\0B\n\"é\"", 8)}, {{"--notes", "line 1\nline 2"}});
    const auto decoded = control::DecodeRequest(control::EncodeRequest(request));
    ASSERT_TRUE(decoded);
    EXPECT_EQ(decoded->command, request.command);
    EXPECT_EQ(decoded->operands, request.operands);
    EXPECT_EQ(decoded->options, request.options);

    const ControlReply reply{7, "{\"x\":1}\n", "cancelled"};
    const auto back = control::DecodeReply(control::EncodeReply(reply));
    ASSERT_TRUE(back);
    EXPECT_EQ(back->exitCode, 7);
    EXPECT_EQ(back->out, reply.out);
    EXPECT_EQ(back->err, reply.err);

    EXPECT_EQ(control::Frame("ab"), std::string("\0\0\0\2ab", 6));
}

TEST(ControlProtocolTest, DamagedOrForeignPayloadsAreRejected) {
    const std::string good = control::EncodeRequest(Request("in", {"Website"}));
    for (std::size_t cut = 0; cut < good.size(); ++cut)
        EXPECT_FALSE(control::DecodeRequest(good.substr(0, cut))) << "cut at " << cut;
    EXPECT_FALSE(control::DecodeRequest(good + "x"));
    EXPECT_FALSE(control::DecodeRequest("punchwell-control/2 request\n"));
    EXPECT_TRUE(control::IsControlPayload("punchwell-control/2 request\n"));
    EXPECT_FALSE(control::IsControlPayload("punchwell/1 show"));
    // A count larger than what follows is damage, not a reason to reserve memory.
    std::string huge(control::kRequestMagic);
    huge += std::string("\0\0\0\2in\0\0\0\x0a"
                        "4000000000",
                        20);
    EXPECT_FALSE(control::DecodeRequest(huge));
    EXPECT_FALSE(control::DecodeReply(control::EncodeReply({300, "", ""})));
}

} // namespace
