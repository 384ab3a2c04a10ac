#include "core/data/Store.h"

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
