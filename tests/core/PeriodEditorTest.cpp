#include "support/CoreTestSupport.h"

#include "core/data/DataFile.h"
#include "core/data/MergeRecords.h"
#include "core/data/PeriodEditor.h"
#include "core/data/Store.h"
#include "core/platform/LocalTime.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t kDay = 1780963200; // 2026-06-09 00:00:00 UTC

constexpr std::int32_t H(int hour, int minute = 0, int second = 0) {
    return kDay + hour * 3600 + minute * 60 + second;
}

// "Web 09:00:00-10:00:00 a" with " running" / " deleted" after; sorted by start.
std::vector<std::string> Periods(const CStore& store) {
    std::vector<const CDoneTask*> all;
    for (const auto& p : store.DoneTasks())
        all.push_back(p.get());
    std::sort(all.begin(), all.end(),
              [](const CDoneTask* a, const CDoneTask* b) { return a->GetStart() < b->GetStart(); });
    std::vector<std::string> lines;
    for (const CDoneTask* p : all) {
        std::string line = p->GetProject() + " " + FormatLocal(p->GetStart(), "%H:%M:%S") + "-" +
                           FormatLocal(p->GetEnd(), "%H:%M:%S");
        if (!p->GetNotes().empty())
            line += " " + p->GetNotes();
        if (p->IsRunning())
            line += " running";
        if (p->IsDeleted())
            line += " deleted";
        lines.push_back(line);
    }
    return lines;
}

class PeriodEditorTest : public testing::Test {
protected:
    void SetUp() override {
        for (const char* name : {"Web", "Other"}) {
            auto task = std::make_unique<CTask>(name);
            store.AddTask(task);
        }
        Add("Web", H(9), H(10), "a");
        Add("Web", H(12), H(13), "b");
        Add("Other", H(10, 30), H(11, 30), "o");
    }
    CDoneTask* Add(const std::string& project, std::int32_t start, std::int32_t end,
                   const std::string& notes) {
        auto period = std::make_unique<CDoneTask>(project, notes);
        period->SetStart(start);
        period->SetEnd(end);
        CDoneTask* raw = period.get();
        store.AppendDoneTask(std::move(period));
        return raw;
    }
    CDoneTask& At(std::int32_t start) { return *store.FindDoneTask(start); }

    coretest::ScopedTimeZone utc{"UTC"};
    CStore store;
    CPeriodEditor editor{store};
    const std::int32_t now = H(18);
};

TEST_F(PeriodEditorTest, RulesOfTheStore) {
    using Problem = CorrectionPlan::Problem;
    struct Case {
        const char* name;
        std::int32_t edited; // start of the period edited; 0 adds a new one
        PeriodDraft draft;
        OverlapRule rule;
        Problem problem;
        std::vector<std::string> after; // the store afterwards (unchanged when refused)
        std::string message;            // a part of the refusal, the note or the warning
    };
    const std::vector<std::string> before = Periods(store);
    const std::vector<Case> cases = {
        {"add a forgotten period",
         0,
         {"Web", H(14), H(15), "forgot"},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-10:00:00 a", "Other 10:30:00-11:30:00 o", "Web 12:00:00-13:00:00 b",
          "Web 14:00:00-15:00:00 forgot"},
         ""},
        {"touching a period of the same project is no overlap",
         0,
         {"Web", H(10), H(10, 30), ""},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-10:00:00 a", "Web 10:00:00-10:30:00", "Other 10:30:00-11:30:00 o",
          "Web 12:00:00-13:00:00 b"},
         ""},
        {"overlap with the same project refused, naming the other period",
         0,
         {"Web", H(9, 30), H(11), "x"},
         OverlapRule::Refuse,
         Problem::SameProjectOverlap,
         before,
         "another period of Web: 06/09/26 09:00:00 to 10:00:00."},
        {"overlap with the same project joined as a merge joins, reaching on to the next",
         0,
         {"Web", H(9, 30), H(12, 30), "x"},
         OverlapRule::Join,
         Problem::None,
         {"Web 09:00:00-13:00:00 x\na\nb", "Other 10:30:00-11:30:00 o"},
         ""},
        {"overlap with another project allowed with a warning",
         0,
         {"Other", H(9, 30), H(9, 45), ""},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-10:00:00 a", "Other 09:30:00-09:45:00", "Other 10:30:00-11:30:00 o",
          "Web 12:00:00-13:00:00 b"},
         "Overlaps Web: 06/09/26 09:00:00 to 10:00:00."},
        {"a start second already taken moves to the next free one",
         0,
         {"Other", H(12), H(12, 10), ""},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-10:00:00 a", "Other 10:30:00-11:30:00 o", "Web 12:00:00-13:00:00 b",
          "Other 12:00:01-12:10:00"},
         "The start moves to 12:00:01, the next free second: another period starts at 12:00:00."},
        {"end before start",
         0,
         {"Web", H(15), H(14), ""},
         OverlapRule::Refuse,
         Problem::EndNotAfterStart,
         before,
         "The end must come after the start."},
        {"end equal to the start",
         0,
         {"Web", H(15), H(15), ""},
         OverlapRule::Refuse,
         Problem::EndNotAfterStart,
         before,
         "The end must come after the start."},
        {"a moved start that meets the end",
         0,
         {"Other", H(12), H(12, 0, 1), ""},
         OverlapRule::Refuse,
         Problem::EndNotAfterStart,
         before,
         "(12:00:01)"},
        {"an end in the future",
         0,
         {"Web", H(17), H(19), ""},
         OverlapRule::Refuse,
         Problem::InTheFuture,
         before,
         "cannot end in the future"},
        {"a project that does not exist",
         0,
         {"Nobody", H(14), H(15), ""},
         OverlapRule::Refuse,
         Problem::UnknownProject,
         before,
         "There is no project named Nobody."},
        {"edit an end from 10:00 to 09:30",
         H(9),
         {"Web", H(9), H(9, 30), "a"},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-09:30:00 a", "Other 10:30:00-11:30:00 o", "Web 12:00:00-13:00:00 b"},
         ""},
        {"edit onto the next period of the project refused",
         H(9),
         {"Web", H(9), H(12, 30), "a"},
         OverlapRule::Refuse,
         Problem::SameProjectOverlap,
         before,
         "06/09/26 12:00:00 to 13:00:00"},
        {"edit onto the next period of the project joined",
         H(9),
         {"Web", H(9), H(12, 30), "a"},
         OverlapRule::Join,
         Problem::None,
         {"Web 09:00:00-13:00:00 a\nb", "Other 10:30:00-11:30:00 o"},
         ""},
        {"edit to another project and its own start second",
         H(12),
         {"Other", H(12), H(13), "b"},
         OverlapRule::Refuse,
         Problem::None,
         {"Web 09:00:00-10:00:00 a", "Other 10:30:00-11:30:00 o", "Other 12:00:00-13:00:00 b"},
         ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CPeriodEditor probe(store);
        const CorrectionPlan plan = c.edited != 0
                                        ? probe.PlanEdit(At(c.edited), c.draft, now, c.rule)
                                        : probe.PlanAdd(c.draft, now, c.rule);
        EXPECT_EQ(plan.problem, c.problem) << plan.refusal;
        std::string said = plan.refusal;
        for (const std::string& line : plan.notes)
            said += "|" + line;
        for (const std::string& line : plan.warnings)
            said += "|" + line;
        EXPECT_NE(said.find(c.message), std::string::npos) << said;
        EXPECT_EQ(probe.Apply(plan), c.problem == Problem::None);
        EXPECT_EQ(Periods(store), c.after);
        // Back to the start for the next case.
        if (c.problem == Problem::None) {
            ASSERT_TRUE(probe.Undo());
        }
        ASSERT_EQ(Periods(store), before);
    }
}

TEST_F(PeriodEditorTest, RunningPeriodOnlyMovesItsStartAndNeverIntoTheFuture) {
    CDoneTask* running = Add("Web", H(16), H(17, 59, 59), "");
    running->SetRunningFlag(1);
    const PeriodDraft same{"Web", H(16), H(17, 59, 59), ""};

    PeriodDraft earlier = same;
    earlier.start = H(15);
    CorrectionPlan plan = editor.PlanEdit(*running, earlier, now);
    ASSERT_TRUE(plan.Ok()) << plan.refusal;
    ASSERT_TRUE(editor.Apply(plan));
    EXPECT_EQ(running, store.FindDoneTask(H(15))) << "edited in place: the check-in keeps it";
    EXPECT_TRUE(running->IsRunning());

    PeriodDraft future = same;
    future.start = now + 1;
    future.end = running->GetEnd();
    EXPECT_EQ(editor.PlanEdit(*running, future, now).problem, CorrectionPlan::Problem::InTheFuture);

    PeriodDraft ended{"Web", H(15), H(17), ""};
    EXPECT_EQ(editor.PlanEdit(*running, ended, now).problem,
              CorrectionPlan::Problem::RunningPeriod);
    PeriodDraft moved{"Other", H(15), running->GetEnd(), ""};
    EXPECT_EQ(editor.PlanEdit(*running, moved, now).problem,
              CorrectionPlan::Problem::RunningPeriod);
    EXPECT_EQ(editor.PlanSplit(*running, H(16), {"Web", ""}, {"Web", ""}, now).problem,
              CorrectionPlan::Problem::RunningPeriod);

    // A closed period never swallows the running one, whatever the person asks; the running
    // one, moved back over a closed one, may take it in.
    const CorrectionPlan into =
        editor.PlanAdd({"Web", H(14), H(15, 30), ""}, now, OverlapRule::Join);
    EXPECT_EQ(into.problem, CorrectionPlan::Problem::SameProjectOverlap);
    EXPECT_FALSE(into.joinable);
    PeriodDraft back{"Web", H(12, 30), running->GetEnd(), ""};
    plan = editor.PlanEdit(*running, back, now, OverlapRule::Join);
    ASSERT_TRUE(editor.Apply(plan)) << plan.refusal;
    EXPECT_EQ(Periods(store),
              (std::vector<std::string>{"Web 09:00:00-10:00:00 a", "Other 10:30:00-11:30:00 o",
                                        "Web 12:00:00-17:59:59 b running"}));
}

TEST_F(PeriodEditorTest, SplitGivesEachPartItsProjectAndNotes) {
    const std::vector<std::string> before = Periods(store);
    CorrectionPlan plan =
        editor.PlanSplit(At(H(9)), H(9, 20), {"Web", "a"}, {"Other", "client call"}, now);
    ASSERT_TRUE(plan.Ok()) << plan.refusal;
    ASSERT_TRUE(editor.Apply(plan));
    EXPECT_EQ(Periods(store), (std::vector<std::string>{
                                  "Web 09:00:00-09:20:00 a", "Other 09:20:00-10:00:00 client call",
                                  "Other 10:30:00-11:30:00 o", "Web 12:00:00-13:00:00 b"}));
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(Periods(store), before);

    // A taken second moves the split so the parts still add up to the period.
    Add("Other", H(9, 40), H(9, 40), "")->MarkDeleted();
    plan = editor.PlanSplit(At(H(9)), H(9, 40), {"Web", "a"}, {"Web", ""}, now);
    ASSERT_TRUE(editor.Apply(plan)) << plan.refusal;
    EXPECT_EQ(Periods(store)[0], "Web 09:00:00-09:40:01 a");
    EXPECT_EQ(Periods(store)[2], "Web 09:40:01-10:00:00");
    ASSERT_TRUE(editor.Undo());

    struct Refused {
        const char* name;
        std::int32_t at;
        std::string second;
        CorrectionPlan::Problem problem;
    };
    const std::vector<Refused> refused = {
        {"at the start", H(12), "Web", CorrectionPlan::Problem::SplitOutside},
        {"at the end", H(13), "Web", CorrectionPlan::Problem::SplitOutside},
        {"outside", H(14), "Web", CorrectionPlan::Problem::SplitOutside},
        {"unknown project", H(12, 30), "Nobody", CorrectionPlan::Problem::UnknownProject},
    };
    for (const Refused& r : refused) {
        SCOPED_TRACE(r.name);
        plan = editor.PlanSplit(At(H(12)), r.at, {"Web", "b"}, {r.second, ""}, now);
        EXPECT_EQ(plan.problem, r.problem);
        EXPECT_FALSE(editor.Apply(plan));
    }
    // The second part given to a project that already has that time.
    plan = editor.PlanSplit(At(H(10, 30)), H(11), {"Other", "o"}, {"Web", ""}, now);
    EXPECT_TRUE(plan.Ok()) << "Web has nothing from 11:00 to 11:30";
    Add("Web", H(11, 10), H(11, 20), "");
    plan = editor.PlanSplit(At(H(10, 30)), H(11), {"Other", "o"}, {"Web", ""}, now);
    EXPECT_EQ(plan.problem, CorrectionPlan::Problem::SameProjectOverlap);
    EXPECT_TRUE(plan.joinable);
    ASSERT_TRUE(plan.conflict);
    EXPECT_EQ(plan.conflict->GetStart(), H(11, 10));
}

TEST_F(PeriodEditorTest, SplitJoinsAPartWithItsProjectsPeriodsWhenAsked) {
    Add("Web", H(11, 10), H(11, 20), "w");
    const std::vector<std::string> before = Periods(store);
    CorrectionPlan plan = editor.PlanSplit(At(H(10, 30)), H(11), {"Other", "o"}, {"Web", "x"}, now,
                                           OverlapRule::Join);
    ASSERT_TRUE(plan.Ok()) << plan.refusal;
    ASSERT_TRUE(editor.Apply(plan));
    EXPECT_EQ(Periods(store),
              (std::vector<std::string>{"Web 09:00:00-10:00:00 a", "Other 10:30:00-11:00:00 o",
                                        "Web 11:00:00-11:30:00 x\nw", "Web 12:00:00-13:00:00 b"}));
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(Periods(store), before);

    // A part that takes in a period reaching back over the split would overlap the other part
    // of the same project: no split then.
    Add("Web", H(12, 30), H(12, 50), "");
    plan =
        editor.PlanSplit(At(H(12)), H(12, 40), {"Web", "b"}, {"Web", ""}, now, OverlapRule::Join);
    EXPECT_EQ(plan.problem, CorrectionPlan::Problem::SameProjectOverlap);
    EXPECT_FALSE(editor.Apply(plan));
}

TEST_F(PeriodEditorTest, UndoBringsBackTheRecordAsItWas) {
    Add("Web", H(14), H(15), "")->MarkDeleted();
    const std::vector<std::string> before = Periods(store);
    struct Case {
        const char* name;
        std::function<CorrectionPlan()> plan;
    };
    const std::vector<Case> cases = {
        {"edit",
         [&] {
             return editor.PlanEdit(At(H(9)), {"Other", H(8), H(9, 30), "z"}, now);
         }},
        {"add",
         [&] {
             return editor.PlanAdd({"Web", H(16), H(17), "n"}, now);
         }},
        {"join",
         [&] {
             return editor.PlanAdd({"Web", H(9, 30), H(12, 30), "n"}, now, OverlapRule::Join);
         }},
        {"split",
         [&] {
             return editor.PlanSplit(At(H(12)), H(12, 15), {"Web", "b"}, {"Web", ""}, now);
         }},
        {"safe delete", [&] { return editor.PlanDelete(At(H(9)), false); }},
        {"permanent delete", [&] { return editor.PlanDelete(At(H(9)), true); }},
    };
    const std::string file = CDataFile::Write(store, "", 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        ASSERT_TRUE(editor.Apply(c.plan()));
        EXPECT_NE(Periods(store), before);
        EXPECT_TRUE(editor.Undo());
        // Every record back, in its place in the list: the same file as before.
        EXPECT_EQ(CDataFile::Write(store, "", 0), file);
        EXPECT_FALSE(editor.Undo()) << "one correction is undone once";
    }
    // The whole record comes back, flags and notes included, and survives a save.
    const CDoneTask original = At(H(12));
    ASSERT_TRUE(editor.Apply(editor.PlanDelete(At(H(12)), true)));
    ASSERT_TRUE(editor.Undo());
    CStore reread;
    CDataFile::Read(CDataFile::Write(store, "", 0), reread);
    EXPECT_EQ(Periods(reread), before);
    EXPECT_EQ(reread.FindDoneTask(H(12))->GetNotes(), original.GetNotes());
}

TEST_F(PeriodEditorTest, UndoFollowsTheRecordsThroughAMergeButNotThroughLaterChanges) {
    const std::vector<std::string> before = Periods(store);
    ASSERT_TRUE(editor.Apply(editor.PlanEdit(At(H(12)), {"Web", H(12), H(12, 30), "b"}, now)));
    MergeRecords(store); // rebuilds every record
    ASSERT_TRUE(editor.Undo());
    EXPECT_EQ(Periods(store), before);

    // The added period was deleted by hand afterwards: undo refuses and changes nothing.
    ASSERT_TRUE(editor.Apply(editor.PlanAdd({"Web", H(16), H(17), ""}, now)));
    ASSERT_TRUE(store.RemoveDoneTask(H(16)));
    EXPECT_FALSE(editor.Undo());
    EXPECT_EQ(Periods(store), before);

    // The start second an undo needs was taken meanwhile (a check-in in it).
    ASSERT_TRUE(editor.Apply(editor.PlanEdit(At(H(12)), {"Web", H(12, 5), H(13), "b"}, now)));
    Add("Other", H(12), H(12), "");
    EXPECT_FALSE(editor.Undo());
    EXPECT_EQ(store.FindDoneTask(H(12, 5))->GetProject(), "Web");
}

} // namespace
