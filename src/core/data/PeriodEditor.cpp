#include "core/data/PeriodEditor.h"

#include "core/data/Store.h"
#include "core/platform/LocalTime.h"

#include <algorithm>
#include <limits>
#include <set>
#include <unordered_set>

namespace {

using Problem = CorrectionPlan::Problem;

// Warnings beyond this many overlaps are summed up in one line.
constexpr std::size_t kMaxWarnings = 3;

std::string Clock(std::int32_t time) {
    return FormatLocal(time, "%H:%M:%S");
}

void Refuse(CorrectionPlan& plan, Problem problem, std::string why) {
    plan.problem = problem;
    plan.refusal = std::move(why);
}

// The end of a period as far as overlaps go: a running period lasts until now.
std::int64_t ExtentEnd(const CDoneTask& period, std::int32_t now) {
    return period.IsRunning() ? std::max(period.GetEnd(), now) : period.GetEnd();
}

bool SamePeriod(const CDoneTask& a, const CDoneTask& b) {
    return a.GetStart() == b.GetStart() && a.GetProject() == b.GetProject() &&
           a.GetEnd() == b.GetEnd() && a.GetNotes() == b.GetNotes() &&
           a.GetRunningFlag() == b.GetRunningFlag() && a.GetDeletedFlag() == b.GetDeletedFlag();
}

// Shapes one period against the store: the start moved to a free second, the end checked,
// the overlaps found and, when asked, same-project ones joined in. `replaced` are records the
// correction itself replaces or removes; they neither hold a start second nor overlap.
class CShaper {
public:
    CShaper(const CStore& store, std::unordered_set<const CDoneTask*> replaced, std::int32_t now)
        : m_store(store), m_replaced(std::move(replaced)), m_now(now) {
        for (const auto& period : m_store.DoneTasks())
            if (m_replaced.count(period.get()) == 0)
                m_taken.insert(period->GetStart());
    }

    void Reserve(std::int32_t start) { m_taken.insert(start); }

    // False (with the plan's problem set) when the period cannot be as asked. On success
    // `period` holds the result and `absorbed` the same-project periods joined into it.
    // `freeStart`, when given, receives the start as moved to a free second, before any join.
    bool Shape(CDoneTask& period, OverlapRule rule, CorrectionPlan& plan,
               std::vector<const CDoneTask*>& absorbed, std::int32_t* freeStart = nullptr) {
        const std::int32_t asked = period.GetStart();
        std::int64_t start = asked;
        while (start <= std::numeric_limits<std::int32_t>::max() &&
               m_taken.count(static_cast<std::int32_t>(start)) != 0)
            ++start;
        if (start > std::numeric_limits<std::int32_t>::max()) {
            Refuse(plan, Problem::NoFreeSecond, "No free second is left for the period's start.");
            return false;
        }
        period.SetStart(static_cast<std::int32_t>(start));
        if (freeStart != nullptr)
            *freeStart = period.GetStart();
        if (period.GetStart() != asked)
            plan.notes.push_back("The start moves to " + Clock(period.GetStart()) +
                                 ", the next free second: another period starts at " +
                                 Clock(asked) + ".");

        if (period.IsRunning()) {
            if (period.GetStart() > m_now) {
                Refuse(plan, Problem::InTheFuture,
                       "The running period cannot start in the future.");
                return false;
            }
            period.SetEnd(std::max(period.GetEnd(), period.GetStart()));
        } else {
            if (period.GetEnd() <= period.GetStart()) {
                Refuse(plan, Problem::EndNotAfterStart,
                       period.GetStart() != asked
                           ? "The end must come after the start (" + Clock(period.GetStart()) + ")."
                           : std::string("The end must come after the start."));
                return false;
            }
            if (period.GetEnd() > m_now) {
                Refuse(plan, Problem::InTheFuture, "A period cannot end in the future.");
                return false;
            }
        }

        std::vector<const CDoneTask*> same;
        std::vector<const CDoneTask*> others;
        Overlaps(period, absorbed, same, others);
        for (std::size_t i = 0; i < others.size() && i < kMaxWarnings; ++i)
            plan.warnings.push_back(
                "Overlaps " + others[i]->GetProject() + ": " +
                DescribePeriodTimes(others[i]->GetStart(),
                                    static_cast<std::int32_t>(ExtentEnd(*others[i], m_now))) +
                ".");
        if (others.size() > kMaxWarnings)
            plan.warnings.push_back("Overlaps " + std::to_string(others.size() - kMaxWarnings) +
                                    " more periods of other projects.");
        if (same.empty())
            return true;

        const CDoneTask& first = **std::min_element(
            same.begin(), same.end(),
            [](const CDoneTask* a, const CDoneTask* b) { return a->GetStart() < b->GetStart(); });
        // A closed period never swallows the running one: its check-in still times it.
        plan.joinable =
            period.IsRunning() || std::none_of(same.begin(), same.end(),
                                               [](const CDoneTask* p) { return p->IsRunning(); });
        if (rule != OverlapRule::Join || !plan.joinable) {
            plan.conflict = first;
            Refuse(plan, Problem::SameProjectOverlap,
                   "This period overlaps another period of " + period.GetProject() + ": " +
                       DescribePeriodTimes(first.GetStart(),
                                           static_cast<std::int32_t>(ExtentEnd(first, m_now))) +
                       ".");
            return false;
        }
        Join(period, same, absorbed);
        return true;
    }

private:
    void Overlaps(const CDoneTask& period, const std::vector<const CDoneTask*>& absorbed,
                  std::vector<const CDoneTask*>& same,
                  std::vector<const CDoneTask*>& others) const {
        const std::int64_t end = ExtentEnd(period, m_now);
        for (const auto& other : m_store.DoneTasks()) {
            const CDoneTask* p = other.get();
            if (p->IsDeleted() || m_replaced.count(p) != 0 ||
                std::find(absorbed.begin(), absorbed.end(), p) != absorbed.end())
                continue;
            // Periods that only touch do not overlap: a check-out and a check-in in one
            // second make such pairs every day.
            if (p->GetStart() >= end || ExtentEnd(*p, m_now) <= period.GetStart())
                continue;
            (p->GetProject() == period.GetProject() ? same : others).push_back(p);
        }
    }

    // Joins as the merge does: the survivor takes the widest extent and its own notes come
    // first, then each joined period's, in time order, a line break between non-empty ones.
    // A joined period may reach further and overlap more; those are joined too.
    void Join(CDoneTask& period, std::vector<const CDoneTask*> same,
              std::vector<const CDoneTask*>& absorbed) {
        while (!same.empty()) {
            std::sort(same.begin(), same.end(), [](const CDoneTask* a, const CDoneTask* b) {
                return a->GetStart() < b->GetStart();
            });
            for (const CDoneTask* p : same) {
                if (p->GetStart() < period.GetStart())
                    period.SetStart(p->GetStart());
                if (p->GetEnd() > period.GetEnd())
                    period.SetEnd(p->GetEnd());
                std::string notes = period.GetNotes();
                if (!notes.empty() && !p->GetNotes().empty())
                    notes += '\n';
                period.SetNotes(notes + p->GetNotes());
                absorbed.push_back(p);
            }
            std::vector<const CDoneTask*> others;
            same.clear();
            Overlaps(period, absorbed, same, others);
        }
    }

    const CStore& m_store;
    std::unordered_set<const CDoneTask*> m_replaced;
    std::int32_t m_now;
    std::set<std::int32_t> m_taken;
};

bool ProjectKnown(const CStore& store, const std::string& name, const std::string& own,
                  CorrectionPlan& plan) {
    if (name == own || store.FindTask(name) != nullptr)
        return true;
    Refuse(plan, Problem::UnknownProject, "There is no project named " + name + ".");
    return false;
}

// The correction for one period shaped from `before` (none for an added one).
void Finish(CorrectionPlan& plan, const char* description, const CDoneTask* before,
            const CDoneTask& after, const std::vector<const CDoneTask*>& absorbed) {
    if (before != nullptr && absorbed.empty() && SamePeriod(*before, after))
        return; // nothing changes
    std::vector<CPeriodCorrection::Change> changes;
    CPeriodCorrection::Change own;
    if (before != nullptr)
        own.before = *before;
    own.after = after;
    changes.push_back(std::move(own));
    for (const CDoneTask* p : absorbed)
        changes.push_back({*p, std::nullopt});
    plan.correction = CPeriodCorrection(description, std::move(changes));
}

} // namespace

std::string DescribePeriodTimes(std::int32_t start, std::int32_t end) {
    const std::string startDate = FormatLocal(start, "%m/%d/%y");
    const std::string endDate = FormatLocal(end, "%m/%d/%y");
    return startDate + " " + Clock(start) + " to " + (endDate == startDate ? "" : endDate + " ") +
           Clock(end);
}

CorrectionPlan CPeriodEditor::PlanEdit(const CDoneTask& period, const PeriodDraft& draft,
                                       std::int32_t now, OverlapRule rule) const {
    CorrectionPlan plan;
    if (period.IsDeleted()) {
        Refuse(plan, Problem::DeletedPeriod,
               "A deleted period cannot be edited; restore it first.");
        return plan;
    }
    if (period.IsRunning() && (draft.project != period.GetProject() ||
                               draft.notes != period.GetNotes() || draft.end != period.GetEnd())) {
        Refuse(plan, Problem::RunningPeriod,
               "Only the start of the running period can be changed; its end follows the clock.");
        return plan;
    }
    if (!ProjectKnown(m_store, draft.project, period.GetProject(), plan))
        return plan;

    CDoneTask after = period;
    after.SetProjectName(draft.project);
    after.SetStart(draft.start);
    after.SetEnd(draft.end);
    after.SetNotes(draft.notes);
    CShaper shaper(m_store, {&period}, now);
    std::vector<const CDoneTask*> absorbed;
    if (!shaper.Shape(after, rule, plan, absorbed))
        return plan;
    Finish(plan, "Edit Period", &period, after, absorbed);
    return plan;
}

CorrectionPlan CPeriodEditor::PlanAdd(const PeriodDraft& draft, std::int32_t now,
                                      OverlapRule rule) const {
    CorrectionPlan plan;
    if (!ProjectKnown(m_store, draft.project, std::string(), plan))
        return plan;
    CDoneTask after(draft.project, draft.notes);
    after.SetStart(draft.start);
    after.SetEnd(draft.end);
    CShaper shaper(m_store, {}, now);
    std::vector<const CDoneTask*> absorbed;
    if (!shaper.Shape(after, rule, plan, absorbed))
        return plan;
    Finish(plan, "Add Period", nullptr, after, absorbed);
    return plan;
}

CorrectionPlan CPeriodEditor::PlanSplit(const CDoneTask& period, std::int32_t at,
                                        const SplitPart& first, const SplitPart& second,
                                        std::int32_t now, OverlapRule rule) const {
    CorrectionPlan plan;
    if (period.IsDeleted()) {
        Refuse(plan, Problem::DeletedPeriod, "A deleted period cannot be split; restore it first.");
        return plan;
    }
    if (period.IsRunning()) {
        Refuse(plan, Problem::RunningPeriod, "The running period cannot be split.");
        return plan;
    }
    if (at <= period.GetStart() || at >= period.GetEnd()) {
        Refuse(plan, Problem::SplitOutside,
               "The split must come after the period's start and before its end.");
        return plan;
    }
    if (!ProjectKnown(m_store, first.project, period.GetProject(), plan) ||
        !ProjectKnown(m_store, second.project, period.GetProject(), plan))
        return plan;

    // Both parts keep the period's flags and add up to its time: the second starts where the
    // first ends, at the split moment or the next free second after it. Each part may take in
    // the periods of its own project it overlaps when the person asks for that.
    CShaper latterShaper(m_store, {&period}, now);
    latterShaper.Reserve(period.GetStart());
    CDoneTask latter = period;
    latter.SetProjectName(second.project);
    latter.SetNotes(second.notes);
    latter.SetStart(at);
    std::vector<const CDoneTask*> absorbed;
    std::int32_t splitAt = at;
    if (!latterShaper.Shape(latter, rule, plan, absorbed, &splitAt))
        return plan;

    std::unordered_set<const CDoneTask*> replaced(absorbed.begin(), absorbed.end());
    replaced.insert(&period);
    CShaper formerShaper(m_store, std::move(replaced), now);
    formerShaper.Reserve(latter.GetStart());
    CDoneTask former = period;
    former.SetProjectName(first.project);
    former.SetNotes(first.notes);
    former.SetEnd(splitAt);
    if (!formerShaper.Shape(former, rule, plan, absorbed))
        return plan;
    // Two parts of one project that reach into each other once joined are no split at all.
    if (former.GetProject() == latter.GetProject() && former.GetEnd() > latter.GetStart() &&
        latter.GetEnd() > former.GetStart()) {
        Refuse(plan, Problem::SameProjectOverlap,
               "Joined with the overlapping periods, the two parts of " + former.GetProject() +
                   " would overlap each other. Split at another moment or give one part "
                   "another project.");
        return plan;
    }
    if (former.GetEnd() > latter.GetStart())
        plan.warnings.push_back("Joined, the first part reaches into the second until " +
                                Clock(former.GetEnd()) + ".");

    std::vector<CPeriodCorrection::Change> changes;
    changes.push_back({period, former});
    changes.push_back({std::nullopt, latter});
    for (std::size_t i = 0; i < absorbed.size(); ++i)
        changes.push_back({*absorbed[i], std::nullopt});
    plan.correction = CPeriodCorrection("Split Period", std::move(changes));
    return plan;
}

CorrectionPlan CPeriodEditor::PlanDelete(const CDoneTask& period, bool permanent) const {
    CorrectionPlan plan;
    std::vector<CPeriodCorrection::Change> changes;
    if (permanent) {
        changes.push_back({period, std::nullopt});
    } else {
        CDoneTask after = period;
        after.MarkDeleted();
        changes.push_back({period, after});
    }
    plan.correction = CPeriodCorrection("Delete Period", std::move(changes));
    return plan;
}

bool CPeriodEditor::Apply(const CorrectionPlan& plan) {
    if (!plan.Ok())
        return false;
    if (plan.correction.IsEmpty())
        return true;
    CPeriodCorrection correction = plan.correction;
    if (!correction.Apply(m_store))
        return false;
    m_last = std::move(correction);
    return true;
}

bool CPeriodEditor::Undo() {
    if (!m_last)
        return false;
    const bool undone = m_last->Undo(m_store);
    m_last.reset();
    return undone;
}
