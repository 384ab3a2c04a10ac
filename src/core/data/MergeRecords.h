#pragma once

#include <cstddef>
#include <functional>

class CStore;

// What a merge removed.
struct MergeSummary {
    std::size_t projectsRemoved = 0; // later projects of a name already in the list
    std::size_t periodsAbsorbed = 0; // periods joined into another period of their project
};

// Told how far a merge has come: `done` of `total` periods walked. Called a bounded number of
// times (not once per period), the last time with done == total.
using MergeProgress = std::function<void(std::size_t done, std::size_t total)>;

// Combines the records of a store after a file was loaded behind its records.
//
// Projects: the first project of each name in list order survives with its rate and file;
// later projects of that name go.
//
// Periods: each period C, in list order, absorbs every other period E of its project that
// contains C's end (C's end becomes E's end) or C's start (C's start becomes E's start), with
// C's extent as it stands when E comes up in a scan of the list from the head; scans repeat
// until one absorbs nothing. So touching and overlapping periods join, a period lying strictly
// inside the walking one is left for its own turn, and C's notes come first, then each
// absorbed period's notes in the order they were absorbed, joined by "\n" where both sides
// are non-empty. The survivor keeps its own running and deleted flags.
//
// The result is that of doing those scans literally, but each next period to absorb is found
// in a tree of the project's periods, so periods kept in time order (as check-ins and loads
// keep them) merge in about n log n. A large store's projects are shared out between two
// threads; `progress` is called on the caller's thread only.
//
// When anything is removed the records are rebuilt: pointers to records of the store are not
// valid afterwards.
MergeSummary MergeRecords(CStore& store, const MergeProgress& progress = {});
