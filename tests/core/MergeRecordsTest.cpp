#include "MergeLiteral.h"

#include "core/data/MergeRecords.h"
#include "core/data/Store.h"

#include <gtest/gtest.h>

#include <list>
#include <map>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <vector>

namespace {

constexpr std::int32_t H(int hour, int minute = 0) {
    return 1136192400 + hour * 3600 + minute * 60; // a morning in 2006, plus the hour
}

struct P {
    std::string project;
    std::int32_t start;
    std::int32_t end;
    std::string notes;
    int running = 0;
    int deleted = 0;
};

struct T {
    std::string name;
    std::uint32_t dollars = 0;
    std::uint8_t cents = 0;
};

void Fill(CStore& store, const std::vector<T>& tasks, const std::vector<P>& periods) {
    for (const T& t : tasks) {
        auto task = std::make_unique<CTask>(t.name);
        task->SetRate(t.dollars, t.cents);
        store.AppendTask(std::move(task));
    }
    for (const P& p : periods) {
        auto period = std::make_unique<CDoneTask>(p.project, p.notes);
        period->SetStart(p.start);
        period->SetEnd(p.end);
        period->SetRunningFlag(p.running);
        if (p.deleted)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
    }
}

std::string Describe(const CTask& t) {
    std::ostringstream out;
    out << t.GetName() << " $" << t.GetDollars() << "." << int(t.GetCents())
        << " file=" << t.GetFile() << " use=" << t.GetUseFileFlag() << " r=" << t.GetReserved();
    return out.str();
}

std::string Describe(const CDoneTask& p) {
    std::ostringstream out;
    out << p.GetProject() << " [" << p.GetStart() << "," << p.GetEnd() << "] \"" << p.GetNotes()
        << "\" run=" << p.GetRunningFlag() << " del=" << p.GetDeletedFlag();
    return out.str();
}

std::vector<std::string> Lines(const CStore& store) {
    std::vector<std::string> lines;
    for (const auto& t : store.Tasks())
        lines.push_back(Describe(*t));
    for (const auto& p : store.DoneTasks())
        lines.push_back(Describe(*p));
    return lines;
}

// The literal merge on copies of the store's records, described like Lines().
std::vector<std::string> LiteralLines(const CStore& store) {
    std::list<CTask> tasks;
    std::list<CDoneTask> periods;
    for (const auto& t : store.Tasks())
        tasks.push_back(*t);
    for (const auto& p : store.DoneTasks())
        periods.push_back(*p);
    LiteralMergeRecords(tasks, periods);
    std::vector<std::string> lines;
    for (const CTask& t : tasks)
        lines.push_back(Describe(t));
    for (const CDoneTask& p : periods)
        lines.push_back(Describe(p));
    return lines;
}

std::vector<std::string> Expected(const std::vector<T>& tasks, const std::vector<P>& periods) {
    CStore store;
    Fill(store, tasks, periods);
    return Lines(store);
}

TEST(MergeRecords, WorkedCases) {
    struct Case {
        const char* name;
        std::vector<T> tasks;
        std::vector<P> before;
        std::vector<T> tasksAfter;
        std::vector<P> after;
    };
    const std::vector<T> web{{"Web"}};
    const std::vector<Case> cases = {
        {"overlap joins, the walking period's notes first",
         web,
         {{"Web", H(9), H(10), "a"}, {"Web", H(9, 30), H(11), "b"}},
         web,
         {{"Web", H(9), H(11), "a\nb"}}},
        {"a bridge found first, then the period it reaches on the next scan",
         web,
         {{"Web", H(9), H(10), "A"}, {"Web", H(12), H(13), "B"}, {"Web", H(9, 30), H(12, 30), "C"}},
         web,
         {{"Web", H(9), H(13), "A\nC\nB"}}},
        {"periods that only touch join",
         web,
         {{"Web", H(10), H(11), "later"}, {"Web", H(9), H(10), "earlier"}},
         web,
         {{"Web", H(9), H(11), "later\nearlier"}}},
        {"one second apart stay apart",
         web,
         {{"Web", H(10) + 1, H(11), ""}, {"Web", H(9), H(10), ""}},
         web,
         {{"Web", H(10) + 1, H(11), ""}, {"Web", H(9), H(10), ""}}},
        {"inside period walking first takes the enclosing extent",
         web,
         {{"Web", H(9, 30), H(9, 45), "in"}, {"Web", H(9), H(10), "out"}},
         web,
         {{"Web", H(9), H(10), "in\nout"}}},
        {"inside period is skipped by the enclosing walker and absorbs it on its own turn",
         web,
         {{"Web", H(9), H(10), "out"}, {"Web", H(9, 30), H(9, 45), "in"}},
         web,
         {{"Web", H(9), H(10), "in\nout"}}},
        {"the survivor keeps its own flags",
         web,
         {{"Web", H(9), H(10), "", 1, 0}, {"Web", H(9, 30), H(11), "", 0, 1}},
         web,
         {{"Web", H(9), H(11), "", 1, 0}}},
        {"deleted walker absorbs an active period",
         web,
         {{"Web", H(9), H(10), "", 0, 1}, {"Web", H(9, 30), H(11), "", 0, 0}},
         web,
         {{"Web", H(9), H(11), "", 0, 1}}},
        {"different projects never merge; names are case-sensitive",
         {{"Web"}, {"web"}},
         {{"Web", H(9), H(10), ""}, {"web", H(9), H(10), ""}, {"Admin", H(9), H(10), ""}},
         {{"Web"}, {"web"}},
         {{"Web", H(9), H(10), ""}, {"web", H(9), H(10), ""}, {"Admin", H(9), H(10), ""}}},
        {"empty notes add no line break",
         web,
         {{"Web", H(9), H(10), ""}, {"Web", H(9), H(10), "b"}, {"Web", H(9), H(10), ""}},
         web,
         {{"Web", H(9), H(10), "b"}}},
        {"first project of a name keeps its rate; file-only projects stay",
         {{"Web", 25, 50}, {"Admin"}, {"Web", 40, 0}, {"New", 10, 0}, {"Admin", 1, 1}},
         {},
         {{"Web", 25, 50}, {"Admin"}, {"New", 10, 0}},
         {}},
        {"periods of a project that does not exist merge by name all the same",
         {},
         {{"Gone", H(9), H(10), "x"}, {"Gone", H(10), H(11), "y"}},
         {},
         {{"Gone", H(9), H(11), "x\ny"}}},
        {"a period ending before it starts is never absorbed, but absorbs on its turn",
         web,
         {{"Web", H(9), H(10), "C"}, {"Web", H(10, 30), H(9, 30), "N"}},
         web,
         {{"Web", H(10, 30), H(10), "N\nC"}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        CStore store;
        Fill(store, c.tasks, c.before);
        EXPECT_EQ(LiteralLines(store), Expected(c.tasksAfter, c.after)) << "reference disagrees";
        MergeRecords(store);
        EXPECT_EQ(Lines(store), Expected(c.tasksAfter, c.after));
    }
}

// A store merged with a copy of itself appended, as Merge Files does with the same file.
TEST(MergeRecords, MergingAFileIntoItselfKeepsOneCopyWithNotesTwice) {
    const std::vector<T> tasks{{"Web", 25, 50}, {"Admin"}};
    const std::vector<P> periods{
        {"Web", H(13), H(14), "call"}, {"Admin", H(11), H(12), ""}, {"Web", H(9), H(10), "a\r\nb"}};
    CStore store;
    Fill(store, tasks, periods);
    Fill(store, tasks, periods);
    const MergeSummary summary = MergeRecords(store);
    EXPECT_EQ(summary.projectsRemoved, 2u);
    EXPECT_EQ(summary.periodsAbsorbed, 3u);
    EXPECT_EQ(Lines(store), Expected(tasks, {{"Web", H(13), H(14), "call\ncall"},
                                             {"Admin", H(11), H(12), ""},
                                             {"Web", H(9), H(10), "a\r\nb\na\r\nb"}}));
}

TEST(MergeRecords, NothingToMergeKeepsTheRecordsThemselves) {
    CStore store;
    Fill(store, {{"Web"}}, {{"Web", H(9), H(10), ""}, {"Web", H(11), H(12), ""}});
    const CDoneTask* first = store.DoneTasks().front().get();
    const MergeSummary summary = MergeRecords(store);
    EXPECT_EQ(summary.periodsAbsorbed, 0u);
    EXPECT_EQ(store.DoneTasks().front().get(), first);
}

TEST(MergeRecords, ProgressEndsAtTheTotal) {
    CStore store;
    std::vector<P> periods;
    for (int i = 0; i < 10000; ++i)
        periods.push_back({"Web", H(0) + i * 100, H(0) + i * 100 + 50, ""});
    Fill(store, {{"Web"}}, periods);
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    MergeRecords(store,
                 [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); });
    ASSERT_FALSE(calls.empty());
    EXPECT_LT(calls.size(), 100u);
    for (std::size_t i = 1; i < calls.size(); ++i)
        EXPECT_LE(calls[i - 1].first, calls[i].first);
    EXPECT_EQ(calls.back(), std::make_pair(std::size_t{10000}, std::size_t{10000}));
}

// A note text that names its period (appending avoids a false -Wrestrict in GCC 12).
std::string Label(std::string prefix, int number) {
    prefix += std::to_string(number);
    return prefix;
}

// Random stores built to make the rules meet: few seconds, many overlaps, equal starts and
// ends, periods ending before they start, deleted and running periods, names differing only
// in case, duplicate projects and periods of no project.
void RandomStore(std::mt19937& random, CStore& store, int maxPeriods, int span) {
    static const char* const names[] = {"Web", "web", "Admin"};
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const int taskCount = pick(5);
    for (int i = 0; i < taskCount; ++i) {
        auto task = std::make_unique<CTask>(names[pick(3)]);
        task->SetRate(static_cast<std::uint32_t>(i), static_cast<std::uint8_t>(pick(100)));
        store.AppendTask(std::move(task));
    }
    const int periodCount = pick(maxPeriods + 1);
    for (int i = 0; i < periodCount; ++i) {
        const int kind = pick(10);
        auto period = std::make_unique<CDoneTask>(
            kind == 0 ? "Gone" : names[pick(kind < 7 ? 1 : 3)], pick(3) == 0 ? "" : Label("n", i));
        const std::int32_t start = pick(span);
        const int length = pick(8) == 0 ? -pick(4) : pick(span / 4 + 2);
        period->SetStart(start);
        period->SetEnd(start + length);
        period->SetRunningFlag(pick(6) == 0);
        if (pick(5) == 0)
            period->MarkDeleted();
        store.AppendDoneTask(std::move(period));
    }
}

TEST(MergeRecords, AgreesWithTheLiteralScansOnRandomStores) {
    struct Shape {
        int stores;
        int maxPeriods;
        int span;
    };
    // Dense small stores where everything meets, then larger ones with more room.
    for (const Shape shape : {Shape{4000, 12, 20}, Shape{1500, 30, 120}, Shape{200, 150, 2000}}) {
        for (int seed = 0; seed < shape.stores; ++seed) {
            std::mt19937 random(static_cast<unsigned>(seed * 7919 + shape.maxPeriods));
            CStore store;
            RandomStore(random, store, shape.maxPeriods, shape.span);
            const std::vector<std::string> expected = LiteralLines(store);
            MergeRecords(store);
            ASSERT_EQ(Lines(store), expected)
                << "seed " << seed << ", up to " << shape.maxPeriods << " periods";
        }
    }
}

// Stores as they are after a load: time-ordered runs (newest first) appended behind each
// other, some shifted so that they overlap the first run in part.
TEST(MergeRecords, AgreesWithTheLiteralScansOnAppendedRuns) {
    for (int seed = 0; seed < 60; ++seed) {
        std::mt19937 random(static_cast<unsigned>(seed));
        CStore store;
        Fill(store, {{"Web"}, {"Admin"}}, {});
        const int runs = 1 + static_cast<int>(random() % 3);
        for (int r = 0; r < runs; ++r) {
            std::int32_t t = 100000 + static_cast<std::int32_t>(random() % 400);
            std::vector<P> run;
            for (int i = 0; i < 80; ++i) {
                const std::int32_t length = static_cast<std::int32_t>(random() % 90);
                run.push_back({random() % 2 ? "Web" : "Admin", t, t + length,
                               random() % 2 ? "" : Label(Label("r", r) + ".", i)});
                t += length + static_cast<std::int32_t>(random() % 60);
            }
            Fill(store, {}, std::vector<P>(run.rbegin(), run.rend()));
        }
        const std::vector<std::string> expected = LiteralLines(store);
        MergeRecords(store);
        ASSERT_EQ(Lines(store), expected) << "seed " << seed;
    }
}

// A store large enough for the walk to be shared between two threads: projects never meet, so
// each project's survivors must be what the literal scans make of that project alone, and
// progress must still climb to the total.
TEST(MergeRecords, ALargeStoreAgreesProjectByProjectWithTheLiteralScans) {
    constexpr int kProjects = 60;
    constexpr int kPeriods = 24000;
    std::mt19937 random(11);
    std::vector<P> periods;
    std::map<std::string, std::vector<P>> byProject;
    for (int i = 0; i < kPeriods; ++i) {
        const std::string project = Label("p", static_cast<int>(random() % kProjects));
        const std::int32_t start = H(0) + static_cast<std::int32_t>(random() % 200000);
        const std::int32_t length = static_cast<std::int32_t>(random() % 400);
        periods.push_back({project, start, start + length, random() % 3 ? Label("n", i) : ""});
        byProject[project].push_back(periods.back());
    }
    CStore store;
    Fill(store, {}, periods);
    std::vector<std::pair<std::size_t, std::size_t>> calls;
    const MergeSummary summary = MergeRecords(
        store, [&](std::size_t done, std::size_t total) { calls.emplace_back(done, total); });

    std::map<std::string, std::vector<std::string>> survivors;
    for (const auto& p : store.DoneTasks())
        survivors[p->GetProject()].push_back(Describe(*p));
    ASSERT_EQ(survivors.size(), byProject.size());
    std::size_t expectedLeft = 0;
    for (const auto& [project, own] : byProject) {
        CStore alone;
        Fill(alone, {}, own);
        const std::vector<std::string> expected = LiteralLines(alone);
        EXPECT_EQ(survivors[project], expected) << project;
        expectedLeft += expected.size();
    }
    EXPECT_GT(summary.periodsAbsorbed, 0u);
    EXPECT_EQ(store.GetDoneCount(), expectedLeft);

    ASSERT_FALSE(calls.empty());
    for (std::size_t i = 1; i < calls.size(); ++i)
        EXPECT_LE(calls[i - 1].first, calls[i].first);
    EXPECT_EQ(calls.back(), std::make_pair(std::size_t{kPeriods}, std::size_t{kPeriods}));
}

} // namespace
