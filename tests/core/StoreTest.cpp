#include "core/data/Store.h"
#include "core/data/DataFile.h"

#include <gtest/gtest.h>

#include <memory>
#include <vector>

namespace {

std::vector<std::string> Names(const CStore& store) {
    std::vector<std::string> names;
    for (const auto& t : store.Tasks())
        names.push_back(t->GetName());
    return names;
}

std::unique_ptr<CDoneTask> Period(const std::string& project, std::int32_t start) {
    auto p = std::make_unique<CDoneTask>(project, "");
    p->SetStart(start);
    p->SetEnd(start + 60);
    return p;
}

TEST(Store, NewProjectsGoToTheHeadAndNamesAreCaseSensitive) {
    CStore store;
    auto web = std::make_unique<CTask>("Web");
    auto alpha = std::make_unique<CTask>("alpha");
    auto upper = std::make_unique<CTask>("Alpha");
    ASSERT_TRUE(store.AddTask(web));
    ASSERT_TRUE(store.AddTask(alpha));
    ASSERT_TRUE(store.AddTask(upper));
    EXPECT_EQ(web, nullptr); // ownership moved into the store
    EXPECT_EQ(Names(store), (std::vector<std::string>{"Alpha", "alpha", "Web"}));
    EXPECT_EQ(store.FindTask("alpha")->GetName(), "alpha");
    EXPECT_EQ(store.FindTask("ALPHA"), nullptr);
}

TEST(Store, DuplicateProjectIsRefusedAndStaysWithTheCaller) {
    CStore store;
    auto first = std::make_unique<CTask>("Web");
    ASSERT_TRUE(store.AddTask(first));
    auto second = std::make_unique<CTask>("Web");
    second->SetRate(99, 1);
    CTask* raw = second.get();
    EXPECT_FALSE(store.AddTask(second));
    EXPECT_EQ(second.get(), raw);
    EXPECT_EQ(store.GetTaskCount(), 1u);
    EXPECT_EQ(store.FindTask("Web")->GetDollars(), 0u);
}

TEST(Store, PeriodsAreKeyedByStartSecondWhateverTheirProject) {
    CStore store;
    auto a = Period("Web", 1000);
    auto b = Period("Admin", 1000);
    auto c = Period("Admin", 1001);
    ASSERT_TRUE(store.AddDoneTask(a));
    EXPECT_FALSE(store.AddDoneTask(b));
    ASSERT_NE(b, nullptr);
    ASSERT_TRUE(store.AddDoneTask(c));
    EXPECT_EQ(store.DoneTasks().front()->GetStart(), 1001);

    store.FindDoneTask(1000)->MarkDeleted();
    ASSERT_NE(store.FindDoneTask(1000), nullptr); // deleted-safely periods are still found
    EXPECT_EQ(store.FindDoneTask(1000)->GetProject(), "Web");
    EXPECT_EQ(store.FindDoneTask(999), nullptr);
}

TEST(Store, RemoveByKeyAndRemoveAll) {
    CStore store;
    auto web = std::make_unique<CTask>("Web");
    store.AddTask(web);
    auto p = Period("Web", 5);
    store.AddDoneTask(p);

    EXPECT_FALSE(store.RemoveTask("web"));
    EXPECT_FALSE(store.RemoveDoneTask(6));
    EXPECT_TRUE(store.RemoveTask("Web"));
    // The project's periods stay; a new project of that name owns them again.
    EXPECT_EQ(store.GetDoneCount(), 1u);
    EXPECT_TRUE(store.RemoveDoneTask(5));
    EXPECT_EQ(store.GetDoneCount(), 0u);

    store.AppendTask(std::make_unique<CTask>("A"));
    store.AppendTask(std::make_unique<CTask>("A")); // the reader takes a file as it stands
    store.AppendDoneTask(Period("A", 1));
    EXPECT_EQ(Names(store), (std::vector<std::string>{"A", "A"}));
    store.RemoveAll();
    EXPECT_EQ(store.GetTaskCount(), 0u);
    EXPECT_EQ(store.GetDoneCount(), 0u);
}

TEST(Store, RenamingCarriesPeriodsThroughSetProject) {
    CTask task("Old");
    CDoneTask period("Old", "notes");
    period.MarkDeleted();
    task.SetName("New");
    period.SetProject(task);
    EXPECT_EQ(period.GetProject(), "New");
    EXPECT_TRUE(period.IsDeleted());
}

TEST(Store, DurationIsSignedWhenTheClockWasTurnedBack) {
    CDoneTask period("Web", "");
    period.Begin(1000);
    EXPECT_TRUE(period.IsRunning());
    period.Finish(900);
    EXPECT_FALSE(period.IsRunning());
    EXPECT_EQ(period.GetDuration(), -100);
}

} // namespace

TEST(Store, RemovesAGivenRecordOrEveryPeriodAPredicatePicks) {
    CStore store;
    for (const auto& [project, start] : std::vector<std::pair<std::string, std::int32_t>>{
             {"A", 10}, {"B", 10}, {"A", 20}, {"C", 30}}) {
        auto period = std::make_unique<CDoneTask>(project, "");
        period->SetStart(start);
        store.AppendDoneTask(std::move(period)); // two periods share a start, as a foreign file may
    }
    // The second record with start 10 goes, not the first one found by its key.
    const CDoneTask* second = std::next(store.DoneTasks().begin())->get();
    EXPECT_TRUE(store.RemoveDoneTask(second));
    EXPECT_FALSE(store.RemoveDoneTask(second));
    EXPECT_EQ(store.FindDoneTask(10)->GetProject(), "A");

    EXPECT_EQ(store.RemoveDoneTasksIf([](const CDoneTask& p) { return p.GetProject() == "A"; }),
              2u);
    ASSERT_EQ(store.GetDoneCount(), 1u);
    EXPECT_EQ(store.DoneTasks().front()->GetProject(), "C");
}

// Periods read from a file keep their texts in the store's pool. Whatever is copied or
// moved out of the store owns its texts, and what stays can be edited and removed freely.
TEST(Store, PeriodsReadFromAFileShareTheStoresMemorySafely) {
    const std::string accented = "caf\xC3\xA9 \xE2\x82\xAC"; // Windows-1252 on disk
    const std::string wide = "\xE6\x97\xA5\xE6\x9C\xAC";     // 16-bit form on disk
    std::string bytes;
    {
        CStore source;
        source.AppendTask(std::make_unique<CTask>("Web"));
        const std::string notes[] = {"plain", accented, wide, ""};
        for (int i = 0; i < 4; ++i) {
            auto p = std::make_unique<CDoneTask>(i % 2 ? "Web" : wide, notes[i]);
            p->SetStart(100 * i);
            p->SetEnd(100 * i + 50);
            source.AppendDoneTask(std::move(p));
        }
        bytes = CDataFile::Write(source, {}, 0);
    }

    auto store = std::make_unique<CStore>();
    ASSERT_FALSE(CDataFile::Read(bytes, *store).damaged);
    ASSERT_EQ(store->GetDoneCount(), 4u);
    CDoneTask copied(*store->FindDoneTask(100));
    CDoneTask moved(std::move(*store->FindDoneTask(200)));
    CDoneTask assigned;
    assigned = *store->FindDoneTask(0);

    // Editing in place: notes set from a part of themselves, a rename, a removal.
    CDoneTask* first = store->FindDoneTask(0);
    first->SetNotes(first->GetNotes().substr(1, 3));
    store->FindDoneTask(300)->SetProjectName("Renamed");
    ASSERT_TRUE(store->RemoveDoneTask(100));
    EXPECT_EQ(first->GetNotes(), "lai");
    EXPECT_EQ(store->FindDoneTask(300)->GetProject(), "Renamed");
    EXPECT_EQ(store->FindDoneTask(200)->GetProject(), wide);

    store->RemoveAll();
    store.reset();
    EXPECT_EQ(copied.GetProject(), "Web");
    EXPECT_EQ(copied.GetNotes(), accented);
    EXPECT_EQ(moved.GetProject(), wide);
    EXPECT_EQ(moved.GetNotes(), wide);
    EXPECT_EQ(moved.GetStart(), 200);
    EXPECT_EQ(assigned.GetNotes(), "plain");
    EXPECT_EQ(assigned.GetProject(), wide);
}
