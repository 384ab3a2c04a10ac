#pragma once

#include "core/timing/PeriodRange.h"

#include <cstdint>
#include <string>
#include <vector>

class CStore;
class CTask;

// The time figures of one project, read from the store's periods. A period counts when it
// names the project exactly and is not deleted; a running period counts up to its last
// tick. Sums are 64-bit so that no file content can overflow them.
class CTaskTotals {
public:
    CTaskTotals(const CStore& store, std::string projectName);
    CTaskTotals(const CStore& store, const CTask& task);

    // Seconds of the counting periods inside the closed range [from, to], each clipped.
    std::int64_t GetTimeInRange(std::int64_t from, std::int64_t to) const;
    std::int64_t GetPeriodTime(PeriodKind kind, std::int64_t now, unsigned weekStart) const;
    // End minus start over all counting periods, unclipped.
    std::int64_t GetTotalTime() const;
    // The earliest start of a counting period, or `now` when none starts before it.
    std::int64_t GetFirstStart(std::int64_t now) const;

private:
    const CStore& m_store;
    std::string m_strName;
};

// The seconds one period contributes to the closed range [from, to].
std::int64_t ClippedSeconds(std::int64_t start, std::int64_t end, std::int64_t from,
                            std::int64_t to);

// All five figures of every project, in store order, from one walk over the periods.
struct ProjectTotals {
    std::string name;
    std::int64_t today = 0;
    std::int64_t week = 0;
    std::int64_t month = 0;
    std::int64_t year = 0;
    std::int64_t total = 0;
};
std::vector<ProjectTotals> ComputeAllTotals(const CStore& store, std::int64_t now,
                                            unsigned weekStart);
