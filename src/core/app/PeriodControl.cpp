#include "core/app/PeriodControl.h"

#include "core/app/ControlExit.h"
#include "core/app/ControlTarget.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/data/PeriodEditor.h"
#include "core/platform/Clock.h"
#include "core/timing/LocalTimeArgument.h"

#include <optional>

namespace {

ControlReply Refuse(std::string why) {
    return ControlReply{kControlUsage, {}, std::move(why) + " Nothing was changed."};
}

// The running program keeps its own clock; only a run on the data file alone may be told
// what time it is (the command line sets that clock before the file is read).
std::optional<ControlReply> RefuseForeignNow(const ControlRequest& request,
                                             const ControlTarget& target) {
    if (request.Has("--now") && target.CanAskPerson())
        return Refuse("--now cannot be given while Punchwell runs on the data folder: it keeps "
                      "its own clock.");
    return std::nullopt;
}

// The time of option `name`, or empty with `error` set.
std::optional<std::int32_t> TimeOption(const ControlRequest& request, const char* name,
                                       std::string& error) {
    const auto text = request.Value(name);
    if (!text)
        return std::nullopt;
    return ParsePeriodTimeArgument(name, *text, error);
}

OverlapRule RuleOf(const ControlRequest& request) {
    return request.Has("--join") ? OverlapRule::Join : OverlapRule::Refuse;
}

// Carries out a plan and saves. Notes and warnings of the plan go with the reply's errors
// either way, one per line, so that a script reading the output sees only what was done.
ControlReply Finish(ControlTarget& target, const CorrectionPlan& plan, const char* done) {
    std::string said;
    for (const std::string& note : plan.notes)
        said += "note: " + note + "\n";
    for (const std::string& warning : plan.warnings)
        said += "warning: " + warning + "\n";
    if (!plan.Ok()) {
        std::string why = plan.refusal;
        if (plan.problem == CorrectionPlan::Problem::SameProjectOverlap && plan.joinable)
            why += " Give --join to make them one period.";
        return ControlReply{kControlUsage, {}, said + why + " Nothing was changed."};
    }
    if (plan.correction.IsEmpty())
        return ControlReply{kControlOk, "nothing to change\n", said};
    CPunchwellApp& app = target.App();
    if (!target.PeriodEditor().Apply(plan))
        return ControlReply{kControlUsage,
                            {},
                            said + "The correction no longer fits the data. Nothing was changed."};
    app.SaveData();
    target.Changed();
    std::string out;
    for (const CPeriodCorrection::Change& change : plan.correction.Changes()) {
        if (!change.after)
            continue;
        const CDoneTask& period = *change.after;
        out += std::string(done) + ": " + period.GetProject() + ", " +
               DescribePeriodTimes(period.GetStart(), period.GetEnd()) + "\n";
        done = "and";
    }
    // Nothing is said done that did not reach the disk: the running program keeps the change
    // for its next save, while a run on the data file alone ends with it.
    if (app.HasUnsavedChanges())
        return ControlReply{
            kControlSaveFailed,
            {},
            said + "The data file could not be written: " + app.GetLastSaveError() +
                (target.CanAskPerson()
                     ? " Punchwell keeps the change and writes it with its next save."
                     : " Nothing was changed.")};
    return ControlReply{kControlOk, out, said};
}

} // namespace

ControlReply AddPeriodCommand(const ControlRequest& request, ControlTarget& target) {
    if (auto refused = RefuseForeignNow(request, target))
        return *refused;
    if (!request.Has("--start") || !request.Has("--end"))
        return Refuse("add: --start and --end are required.");
    std::string error;
    const auto start = TimeOption(request, "--start", error);
    if (!start)
        return Refuse(error);
    const auto end = TimeOption(request, "--end", error);
    if (!end)
        return Refuse(error);
    PeriodDraft draft;
    draft.project = request.operands.front();
    draft.start = *start;
    draft.end = *end;
    draft.notes = request.Value("--notes").value_or(std::string());
    const std::int32_t now = target.App().GetClock().Now();
    return Finish(target, target.PeriodEditor().PlanAdd(draft, now, RuleOf(request)), "added");
}

ControlReply EditPeriodCommand(const ControlRequest& request, ControlTarget& target) {
    if (auto refused = RefuseForeignNow(request, target))
        return *refused;
    if (!request.Has("--start"))
        return Refuse("edit: --start is required (the start of the period to change).");
    std::string error;
    const auto start = TimeOption(request, "--start", error);
    if (!start)
        return Refuse(error);
    std::optional<std::int32_t> newStart, newEnd;
    if (request.Has("--new-start") && !(newStart = TimeOption(request, "--new-start", error)))
        return Refuse(error);
    if (request.Has("--new-end") && !(newEnd = TimeOption(request, "--new-end", error)))
        return Refuse(error);

    const CDoneTask* period = target.App().Store().FindDoneTask(*start);
    if (period == nullptr)
        return Refuse("No period starts at " + *request.Value("--start") + ".");
    PeriodDraft draft;
    draft.project = request.Value("--project").value_or(period->GetProject());
    draft.start = newStart.value_or(period->GetStart());
    draft.end = newEnd.value_or(period->GetEnd());
    draft.notes = request.Value("--notes").value_or(period->GetNotes());
    const std::int32_t now = target.App().GetClock().Now();
    return Finish(target, target.PeriodEditor().PlanEdit(*period, draft, now, RuleOf(request)),
                  "changed");
}
