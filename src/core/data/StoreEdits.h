#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

class CDoneTask;
class CStore;
class CTask;

// The rules for changing projects and periods that hold wherever the change comes from
// (Configure Projects, Time Records, the command line). Periods know their project by
// name only, so these keep the two lists in step. Corrections of single periods, deleting
// one included, go through CPeriodEditor, which can undo them.

// After a project was renamed from `oldName`: every period of the old name follows, the
// deleted ones and the running one included.
void RenameProjectPeriods(CStore& store, const std::string& oldName, const CTask& task);

// Deletes the project. With `withPeriods` each of its own periods goes too, deleted ones
// included; a period of another project that shares a start second stays. False when the
// store has no such project (then nothing changes).
bool DeleteProject(CStore& store, const std::string& name, bool withPeriods);

// The project's period that starts in that second and is not deleted; null when none. Another
// project's period that shares the second (possible in a merged foreign file) never answers.
CDoneTask* FindActivePeriod(const CStore& store, const std::string& project, std::int32_t start);

// Brings back every deleted period of the project; returns how many.
std::size_t RestoreDeletedPeriods(CStore& store, const std::string& project);
