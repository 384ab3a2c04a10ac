#include "core/app/ControlCommands.h"

#include "core/app/ControlTarget.h"
#include "core/app/PeriodControl.h"
#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/data/JsonWriter.h"
#include "core/data/Task.h"
#include "core/platform/Clock.h"
#include "core/platform/LocalTime.h"
#include "core/timing/CheckIn.h"
#include "core/timing/DurationFormat.h"
#include "core/timing/PeriodRange.h"
#include "core/timing/TaskTotals.h"

#include <algorithm>
#include <cstdio>

namespace {

ControlReply Reply(int code, std::string out, std::string err = {}) {
    return ControlReply{code, std::move(out), std::move(err)};
}

ControlReply Usage(std::string message) {
    return Reply(kControlUsage, {}, std::move(message) + " Nothing was changed.");
}

ControlReply Refused(ControlRefusal refusal) {
    if (refusal == ControlRefusal::Locked)
        return Reply(kControlLocked, {},
                     "Punchwell is locked: unlock it with its password first. Nothing was "
                     "changed.");
    return Reply(kControlDialogOpen, {},
                 "Punchwell has one of its dialogs open: finish it first. Nothing was changed.");
}

char FoldAscii(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool EqualIgnoringAsciiCase(const std::string& a, const std::string& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return FoldAscii(x) == FoldAscii(y);
           });
}

// The project a typed name means: the one of exactly that name, else the only one that
// differs from it in the case of Latin letters. Null with `error` set otherwise.
const CTask* ResolveProject(const CPunchwellApp& app, const std::string& typed,
                            std::string& error) {
    if (const CTask* exact = app.Store().FindTask(typed))
        return exact;
    std::vector<const CTask*> matches;
    for (const auto& task : app.Store().Tasks())
        if (EqualIgnoringAsciiCase(task->GetName(), typed))
            matches.push_back(task.get());
    if (matches.size() == 1)
        return matches.front();
    if (matches.empty()) {
        error = "There is no project named \"" + typed + "\".";
    } else {
        error = "\"" + typed + "\" is ambiguous: it could be";
        for (std::size_t i = 0; i < matches.size(); ++i)
            error += (i == 0                    ? " \""
                      : i + 1 == matches.size() ? " or \""
                                                : ", \"") +
                     matches[i]->GetName() + "\"";
        error += "; give the name exactly.";
    }
    return nullptr;
}

// The project of the latest period that still names an existing project.
const CTask* LastProjectUsed(const CPunchwellApp& app) {
    const CDoneTask* latest = nullptr;
    for (const auto& period : app.Store().DoneTasks())
        if (!period->IsDeleted() &&
            (latest == nullptr || period->GetStart() > latest->GetStart()) &&
            app.Store().FindTask(period->GetProject()) != nullptr)
            latest = period.get();
    return latest != nullptr ? app.Store().FindTask(latest->GetProject()) : nullptr;
}

// "2026-03-01T09:30:00+01:00": local time with its offset from UTC, so that a reader in
// another zone, or across a daylight-saving change, still knows the instant.
std::string IsoLocal(std::int64_t time) {
    const auto local = ToLocal(time);
    if (!local)
        return {};
    // Days since 1970-01-01 of the local calendar date (proleptic Gregorian).
    const auto daysFromCivil = [](std::int64_t y, unsigned m, unsigned d) {
        y -= m <= 2;
        const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
        const auto yoe = static_cast<unsigned>(y - era * 400);
        const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
        const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
        return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
    };
    const std::int64_t asUtc = daysFromCivil(local->year, static_cast<unsigned>(local->month),
                                             static_cast<unsigned>(local->day)) *
                                   86400 +
                               local->hour * 3600 + local->minute * 60 + local->second;
    const std::int64_t offset = (asUtc - time) / 60;
    const std::int64_t magnitude = offset < 0 ? -offset : offset;
    char text[48];
    std::snprintf(text, sizeof text, "%04d-%02d-%02dT%02d:%02d:%02d%c%02d:%02d", local->year,
                  local->month, local->day, local->hour, local->minute, local->second,
                  offset < 0 ? '-' : '+', static_cast<int>(magnitude / 60),
                  static_cast<int>(magnitude % 60));
    return text;
}

// Today's time of the project, its running period counted up to now: the period's end
// follows the clock only once a second in the program, and not at all in a file.
std::int64_t TodaySeconds(const CPunchwellApp& app, const std::string& project,
                          const CDoneTask* running, std::int64_t now) {
    std::int64_t seconds =
        CTaskTotals(app.Store(), project)
            .GetPeriodTime(PeriodKind::Today, now, app.GetOptions().m_wWeekStart);
    const auto today = PeriodRange(PeriodKind::Today, now, app.GetOptions().m_wWeekStart);
    if (running != nullptr && today && now > running->GetEnd())
        seconds += ClippedSeconds(running->GetEnd(), now, today->from, today->to);
    return seconds;
}

// Nothing is said done that did not reach the disk: the running program keeps the change for
// its next save, while a run on the data file alone ends with it and the file stays as it was.
ControlReply SaveOutcome(ControlTarget& target, std::string done) {
    const CPunchwellApp& app = target.App();
    if (!app.HasUnsavedChanges())
        return Reply(kControlOk, std::move(done) + "\n");
    if (target.CanAskPerson())
        return Reply(kControlSaveFailed, {},
                     done + " But the data file could not be written: " + app.GetLastSaveError() +
                         " Punchwell keeps the change and writes it with its next save.");
    return Reply(kControlSaveFailed, {},
                 "The data file could not be written: " + app.GetLastSaveError() +
                     " Nothing was changed.");
}

// Ends the open period: with the notes given, else asking as the program does when someone
// is there to ask, else with no notes. False (with the reply set) when it did not end.
bool EndPeriod(const ControlRequest& request, ControlTarget& target, ControlReply& reply) {
    CCheckIn& checkIn = target.CheckIn();
    bool ended = false;
    if (const auto notes = request.Value("--notes"))
        ended = checkIn.CheckOutWithNotes(*notes);
    else if (target.CanAskPerson())
        ended = checkIn.CheckOut();
    else
        ended = checkIn.CheckOutWithNotes({});
    target.Changed();
    if (ended)
        return true;
    if (checkIn.IsBusy())
        reply = Refused(ControlRefusal::DialogOpen);
    else
        reply = Reply(kControlCancelled, {},
                      "The notes were cancelled in Punchwell: still checked in to " +
                          checkIn.GetCurrentProject() + ".");
    return false;
}

ControlReply BeginPeriod(const ControlRequest& request, ControlTarget& target, const CTask& task) {
    CPunchwellApp& app = target.App();
    CCheckIn& checkIn = target.CheckIn();
    const std::string name = task.GetName();
    if (checkIn.IsCheckedIn()) {
        if (checkIn.GetCurrentProject() == name)
            return Reply(kControlOk, "Already checked in to " + name + ".\n");
        ControlReply reply;
        if (!EndPeriod(request, target, reply))
            return reply;
    }
    const bool began = checkIn.CheckIn(name);
    target.Changed();
    if (!began)
        return app.HasUnsavedChanges() ? SaveOutcome(target, "Not checked in.")
                                       : Refused(ControlRefusal::DialogOpen);
    return SaveOutcome(target, "Checked in to " + name + ".");
}

ControlReply Status(const ControlRequest& request, ControlTarget& target) {
    const CPunchwellApp& app = target.App();
    const CCheckIn& checkIn = target.CheckIn();
    const bool locked = target.Refusal() == ControlRefusal::Locked;
    // A locked program shows nothing of its data; the status says only that.
    const bool checkedIn = !locked && checkIn.IsCheckedIn() && checkIn.GetCurrentPeriod();
    const std::int64_t now = app.GetClock().Now();
    std::string project;
    std::int64_t start = 0, elapsed = 0, today = 0;
    if (checkedIn) {
        project = checkIn.GetCurrentProject();
        start = checkIn.GetCurrentPeriod()->GetStart();
        elapsed = std::max<std::int64_t>(0, now - start);
        today = TodaySeconds(app, project, checkIn.GetCurrentPeriod(), now);
    }
    if (request.Has("--json")) {
        CJsonWriter json(0);
        json.BeginObject();
        json.Key("checked_in");
        json.Bool(checkedIn);
        json.Key("project");
        checkedIn ? json.String(project) : json.Null();
        json.Key("start");
        checkedIn ? json.String(IsoLocal(start)) : json.Null();
        json.Key("elapsed_seconds");
        checkedIn ? json.Int(elapsed) : json.Null();
        json.Key("today_seconds");
        checkedIn ? json.Int(today) : json.Null();
        json.Key("locked");
        json.Bool(locked);
        // Only a program with an idle source knows this; a locked one tells nothing more.
        if (const auto idle = target.IdleSeconds(); idle && !locked) {
            json.Key("idle_seconds");
            json.Int(*idle);
        }
        json.EndObject();
        return Reply(kControlOk, json.Text());
    }
    if (locked)
        return Reply(kControlOk, "Punchwell is locked.\n");
    if (!checkedIn)
        return Reply(kControlOk, "Checked out.\n");
    return Reply(kControlOk, "Checked in to " + project + " since " +
                                 FormatLocal(start, "%Y-%m-%d %H:%M:%S") + " (" +
                                 duration::FormatClock(elapsed) + "); today " +
                                 duration::FormatClock(today) + " on " + project + ".\n");
}

ControlReply In(const ControlRequest& request, ControlTarget& target) {
    std::string error;
    const CTask* task = ResolveProject(target.App(), request.operands.front(), error);
    if (task == nullptr)
        return Usage(error);
    return BeginPeriod(request, target, *task);
}

ControlReply Out(const ControlRequest& request, ControlTarget& target) {
    CCheckIn& checkIn = target.CheckIn();
    if (!checkIn.IsCheckedIn())
        return Reply(kControlOk, "Already checked out.\n");
    const std::string project = checkIn.GetCurrentProject();
    ControlReply reply;
    if (!EndPeriod(request, target, reply))
        return reply;
    return SaveOutcome(target, "Checked out of " + project + ".");
}

ControlReply Switch(const ControlRequest& request, ControlTarget& target) {
    std::string error;
    const CTask* task = ResolveProject(target.App(), request.operands.front(), error);
    if (task == nullptr)
        return Usage(error);
    if (!target.CheckIn().IsCheckedIn())
        return Usage("Not checked in, so there is nothing to switch from; use 'in " +
                     task->GetName() + "'.");
    return BeginPeriod(request, target, *task);
}

ControlReply Toggle(const ControlRequest& request, ControlTarget& target) {
    if (target.CheckIn().IsCheckedIn())
        return Out(request, target);
    const CTask* task = LastProjectUsed(target.App());
    if (task == nullptr)
        return Usage("No project has been used yet, so there is none to check in to; use "
                     "'in PROJECT'.");
    return BeginPeriod(request, target, *task);
}

ControlReply Projects(const ControlRequest& request, ControlTarget& target) {
    const CPunchwellApp& app = target.App();
    const std::int64_t now = app.GetClock().Now();
    std::vector<ProjectTotals> totals =
        ComputeAllTotals(app.Store(), now, app.GetOptions().m_wWeekStart);
    std::stable_sort(totals.begin(), totals.end(), [](const auto& a, const auto& b) {
        return std::lexicographical_compare(a.name.begin(), a.name.end(), b.name.begin(),
                                            b.name.end(), [](char x, char y) {
                                                return static_cast<unsigned char>(FoldAscii(x)) <
                                                       static_cast<unsigned char>(FoldAscii(y));
                                            });
    });
    const std::string current = target.CheckIn().GetCurrentProject();
    const auto rateOf = [&app](const std::string& name) {
        const CTask* task = app.Store().FindTask(name);
        char text[32];
        std::snprintf(text, sizeof text, "%u.%02u", task ? task->GetDollars() : 0u,
                      task ? static_cast<unsigned>(task->GetCents()) : 0u);
        return std::string(text);
    };
    if (request.Has("--json")) {
        CJsonWriter json(1);
        json.BeginArray();
        for (const auto& project : totals) {
            json.BeginObject();
            json.Key("name");
            json.String(project.name);
            json.Key("rate");
            json.String(rateOf(project.name));
            json.Key("today_seconds");
            json.Int(project.today);
            json.Key("checked_in");
            json.Bool(!current.empty() && project.name == current);
            json.EndObject();
        }
        json.EndArray();
        return Reply(kControlOk, json.Text());
    }
    std::string out;
    for (const auto& project : totals)
        out += (project.name == current && !current.empty() ? "* " : "  ") + project.name + "\t" +
               rateOf(project.name) + "\t" + duration::FormatClock(project.today) + "\n";
    return Reply(kControlOk, out);
}

} // namespace

const std::vector<CControlCommands::Entry>& CControlCommands::Table() {
    static const std::vector<Entry> table = {
        {"status", 0, 0, {}, {"--json"}, false, Status},
        {"projects", 0, 0, {}, {"--json"}, false, Projects},
        {"in", 1, 1, {}, {}, true, In},
        {"out", 0, 0, {"--notes"}, {}, true, Out},
        {"switch", 1, 1, {"--notes"}, {}, true, Switch},
        {"toggle", 0, 0, {}, {}, true, Toggle},
        {"add", 1, 1, {"--start", "--end", "--notes", "--now"}, {"--join"}, true, AddPeriodCommand},
        {"edit",
         0,
         0,
         {"--start", "--new-start", "--new-end", "--project", "--notes", "--now"},
         {"--join"},
         true,
         EditPeriodCommand},
    };
    return table;
}

const CControlCommands::Entry* CControlCommands::Find(const std::string& name) {
    for (const Entry& entry : Table())
        if (entry.name == name)
            return &entry;
    return nullptr;
}

bool CControlCommands::IsReadOnly(const std::string& name) {
    const Entry* entry = Find(name);
    return entry != nullptr && !entry->writes;
}

ControlReply CControlCommands::Run(const ControlRequest& request, ControlTarget& target) {
    const Entry* entry = Find(request.command);
    if (entry == nullptr)
        return Usage("Unknown command \"" + request.command + "\".");
    if (request.operands.size() < entry->minOperands ||
        request.operands.size() > entry->maxOperands)
        return Usage("Wrong number of arguments for \"" + entry->name + "\".");
    for (const auto& option : request.options) {
        const std::string& name = option.first;
        const auto listed = [&name](const std::vector<std::string>& names) {
            return std::find(names.begin(), names.end(), name) != names.end();
        };
        if (!listed(entry->options) && !(listed(entry->flags) && option.second.empty()))
            return Usage("\"" + entry->name + "\" does not take " + name + ".");
    }
    const ControlRefusal refusal = target.Refusal();
    // Reading needs no gate, except that a locked program tells nothing but that it is locked
    // (the status answers that itself).
    if (entry->writes ? refusal != ControlRefusal::None
                      : refusal == ControlRefusal::Locked && entry->name != "status")
        return Refused(refusal);
    return entry->handler(request, target);
}
