#include "core/data/StoreEdits.h"

#include "core/data/Store.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

// Alpha and Beta; Alpha has a running period, a deleted one and a finished one, and Beta has
// one that starts in the same second as one of Alpha's.
class StoreEdits : public testing::Test {
protected:
    StoreEdits() {
        for (const char* name : {"Alpha", "Beta"})
            m_store.AppendTask(std::make_unique<CTask>(name));
        Add("Alpha", 100, false, true);
        Add("Alpha", 200, true, false);
        Add("Alpha", 300, false, false);
        Add("Beta", 300, false, false);
    }
    void Add(const std::string& project, std::int32_t start, bool deleted, bool running) {
        auto period = std::make_unique<CDoneTask>(project, std::string());
        period->SetStart(start);
        period->SetEnd(start + 50);
        period->SetRunningFlag(running ? 1 : 0);
        if (deleted)
            period->MarkDeleted();
        m_store.AppendDoneTask(std::move(period));
    }
    // "project@start" for every period, with "-" for a deleted one.
    std::vector<std::string> Periods() const {
        std::vector<std::string> out;
        for (const auto& p : m_store.DoneTasks())
            out.push_back(p->GetProject() + "@" + std::to_string(p->GetStart()) +
                          (p->IsDeleted() ? "-" : ""));
        return out;
    }

    CStore m_store;
};

TEST_F(StoreEdits, ARenameTakesEveryPeriodOfTheOldNameAlong) {
    CTask* alpha = m_store.FindTask("Alpha");
    alpha->SetName("Gamma");
    RenameProjectPeriods(m_store, "Alpha", *alpha);
    EXPECT_EQ(Periods(),
              (std::vector<std::string>{"Gamma@100", "Gamma@200-", "Gamma@300", "Beta@300"}));
    EXPECT_TRUE(m_store.DoneTasks().front()->IsRunning()) << "the running period goes on";
}

TEST_F(StoreEdits, DeletingAProjectTakesItsOwnPeriodsOnlyWhenAsked) {
    EXPECT_FALSE(DeleteProject(m_store, "alpha", true)) << "names are exact";
    EXPECT_EQ(m_store.GetTaskCount(), 2U);

    EXPECT_TRUE(DeleteProject(m_store, "Alpha", true));
    EXPECT_EQ(Periods(), std::vector<std::string>{"Beta@300"});
    EXPECT_EQ(m_store.FindTask("Alpha"), nullptr);

    EXPECT_TRUE(DeleteProject(m_store, "Beta", false));
    EXPECT_EQ(Periods(), std::vector<std::string>{"Beta@300"}) << "kept without the project";
    EXPECT_EQ(m_store.GetTaskCount(), 0U);
}

TEST_F(StoreEdits, APeriodIsFoundByItsProjectAndDeletedOnesRestoreByProject) {
    EXPECT_EQ(FindActivePeriod(m_store, "Alpha", 200), nullptr) << "deleted already";
    CDoneTask* shared = FindActivePeriod(m_store, "Beta", 300);
    ASSERT_NE(shared, nullptr);
    EXPECT_EQ(shared->GetProject(), "Beta") << "never another project's period of that second";

    FindActivePeriod(m_store, "Alpha", 300)->MarkDeleted();
    shared->MarkDeleted();
    EXPECT_EQ(RestoreDeletedPeriods(m_store, "Gamma"), 0U);
    EXPECT_EQ(RestoreDeletedPeriods(m_store, "Alpha"), 2U);
    EXPECT_EQ(Periods(),
              (std::vector<std::string>{"Alpha@100", "Alpha@200", "Alpha@300", "Beta@300-"}));
}

} // namespace
