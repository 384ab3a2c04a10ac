#pragma once

#include "core/data/PeriodCorrection.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

class CDoneTask;
class CStore;

// A period as the person wants it to be.
struct PeriodDraft {
    std::string project;
    std::int32_t start = 0;
    std::int32_t end = 0;
    std::string notes;
};

// What to do when the period would overlap another period of its own project.
enum class OverlapRule {
    Refuse,
    Join, // join them into one, as Merge Files joins overlapping periods
};

// What a correction would do, worked out before anything changes, so a dialog can show it
// while the person types and the cli can refuse with the reason.
struct CorrectionPlan {
    enum class Problem {
        None,
        DeletedPeriod,
        RunningPeriod, // the running period: only its start may change, it cannot be split
        UnknownProject,
        EndNotAfterStart,
        InTheFuture,  // an end after now, or the running period's start after now
        SplitOutside, // the split moment is not inside the period
        NoFreeSecond,
        SameProjectOverlap,
    };

    bool Ok() const { return problem == Problem::None; }

    Problem problem = Problem::None;
    // Why it cannot be done, one sentence for the person; empty when Ok().
    std::string refusal;
    // For SameProjectOverlap: the earliest period of the same project it would overlap, and
    // whether joining is possible (never into a running period from outside it).
    std::optional<CDoneTask> conflict;
    bool joinable = false;
    // What was adjusted on the way, e.g. a start moved to the next free second.
    std::vector<std::string> notes;
    // Overlaps with periods of other projects: allowed, but worth a look.
    std::vector<std::string> warnings;
    // What Apply carries out; empty when refused or when nothing would change.
    CPeriodCorrection correction;
};

// The rules every correction of the period list obeys, and the last correction for undo:
// an end after the start; a start second no other period has (the next free one is taken,
// as a check-in takes it); no overlap with another period of the same project unless the
// person asks to join them; overlaps across projects allowed with a warning; the running
// period may only have its start moved, and never into the future; nothing ends in the
// future. Deleted periods count for the start seconds only.
//
// The caller saves the data file after Apply and Undo, as after every change.
class CPeriodEditor {
public:
    struct SplitPart {
        std::string project;
        std::string notes;
    };

    explicit CPeriodEditor(CStore& store) : m_store(store) {}
    CPeriodEditor(const CPeriodEditor&) = delete;
    CPeriodEditor& operator=(const CPeriodEditor&) = delete;

    CorrectionPlan PlanEdit(const CDoneTask& period, const PeriodDraft& draft, std::int32_t now,
                            OverlapRule rule = OverlapRule::Refuse) const;
    CorrectionPlan PlanAdd(const PeriodDraft& draft, std::int32_t now,
                           OverlapRule rule = OverlapRule::Refuse) const;
    // The period becomes [start, at) and [at, end], each with its own project and notes.
    // With Join, a part given to a project that has periods there takes them in.
    CorrectionPlan PlanSplit(const CDoneTask& period, std::int32_t at, const SplitPart& first,
                             const SplitPart& second, std::int32_t now,
                             OverlapRule rule = OverlapRule::Refuse) const;
    CorrectionPlan PlanDelete(const CDoneTask& period, bool permanent) const;

    // Carries out an Ok plan and keeps it as the last correction. False when the plan was
    // refused or the store changed under it so that it no longer fits (nothing changes then).
    // A plan that changes nothing succeeds and leaves the last correction alone.
    bool Apply(const CorrectionPlan& plan);

    const CPeriodCorrection* LastCorrection() const { return m_last ? &*m_last : nullptr; }
    // Takes back the last correction. False when there is none, or when its periods were
    // changed since so that it no longer fits; the last correction is forgotten either way.
    bool Undo();
    void Forget() { m_last.reset(); }

private:
    CStore& m_store;
    std::optional<CPeriodCorrection> m_last;
};

// "12/09/26 09:00:00 to 10:30:00"; the end carries its date when it is another day.
std::string DescribePeriodTimes(std::int32_t start, std::int32_t end);
