#pragma once

#include <cstddef>

class CDoneTask;
class CStore;

// After a load or a merge at most one period may be running, since only one can be timed:
// `current` (the open check-in) when given and in the store, else the running period with the
// latest start (the first of them in list order). Every other running period ends at the end
// it holds. Returns how many were ended; `running`, when given, receives the one left
// running (null when none is).
std::size_t KeepOneRunningPeriod(CStore& store, const CDoneTask* current = nullptr,
                                 CDoneTask** running = nullptr);
