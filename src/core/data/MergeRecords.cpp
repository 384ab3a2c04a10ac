#include "core/data/MergeRecords.h"

#include "core/data/PeriodProjectLookup.h"
#include "core/data/Store.h"
#include "core/data/TextPool.h"
#include "core/platform/LargeArray.h"

#include <algorithm>
#include <atomic>
#include <cstdint>
#include <future>
#include <limits>
#include <memory>
#include <span>
#include <string>
#include <string_view>
#include <system_error>
#include <unordered_map>
#include <unordered_set>
#include <vector>

namespace {

constexpr std::size_t kNone = std::numeric_limits<std::size_t>::max();
constexpr std::int64_t kNoStart = std::numeric_limits<std::int64_t>::max();
constexpr std::int64_t kNoEnd = std::numeric_limits<std::int64_t>::min();
// Progress is reported about this often, so a caller's display costs nothing measurable.
constexpr std::size_t kProgressEvery = 4096;
// From this many periods a second thread shares the walk: below it, starting the thread
// costs about as much as it saves.
constexpr std::size_t kSecondWalkerFrom = 20000;

// What the merge needs of a period, kept beside the other periods of its project: the merge
// reads one small array per project rather than records all over the store, and changes
// the records themselves only at the end, in list order.
struct Member {
    std::size_t place; // in the list
    std::int32_t start;
    std::int32_t end;
    std::string_view notes; // the period's own, or the store's pooled copy once joined
};
// What became of a period, kept beside its member.
enum Fate : char { kStays, kAbsorbed, kAbsorbedOthers };
// The periods of one project by their position in the list, as a segment tree holding the
// smallest start and the largest end below each node. Finding the first period after a
// position that contains a second skips every subtree whose periods all start after it or
// all end before it; for periods in time order that leaves one or two paths down the tree.
class CContainmentTree {
public:
    // From the periods' times in list order.
    explicit CContainmentTree(std::span<const Member> members) {
        m_count = members.size();
        m_leaves = 1;
        while (m_leaves < m_count)
            m_leaves *= 2;
        m_nodes.assign(2 * m_leaves, Bounds{kNoStart, kNoEnd});
        for (std::size_t i = 0; i < m_count; ++i)
            m_nodes[m_leaves + i] = {members[i].start, members[i].end};
        for (std::size_t node = m_leaves - 1; node >= 1; --node)
            m_nodes[node] = Join(m_nodes[2 * node], m_nodes[2 * node + 1]);
    }

    void Set(std::size_t position, std::int64_t start, std::int64_t end) {
        std::size_t node = m_leaves + position;
        m_nodes[node] = {start, end};
        // Up to the first node whose bounds stay as they were: nothing above it changes.
        for (node /= 2; node >= 1; node /= 2) {
            const Bounds joined = Join(m_nodes[2 * node], m_nodes[2 * node + 1]);
            if (joined.minStart == m_nodes[node].minStart && joined.maxEnd == m_nodes[node].maxEnd)
                break;
            m_nodes[node] = joined;
        }
    }
    void Remove(std::size_t position) { Set(position, kNoStart, kNoEnd); }

    // The first position at or after `from` whose period has start <= t <= end for either
    // of two moments `a` and `b`; kNone if none. One walk down the tree serves both.
    std::size_t FirstContainingEither(std::int64_t a, std::int64_t b, std::size_t from) const {
        if (from >= m_count)
            return kNone;
        return Find(1, 0, m_leaves, from, a, b);
    }

private:
    // The smallest start and the largest end of the periods below a node; side by side, so
    // that a step down the tree reads one place.
    struct Bounds {
        std::int64_t minStart;
        std::int64_t maxEnd;
    };

    static Bounds Join(const Bounds& left, const Bounds& right) {
        return {std::min(left.minStart, right.minStart), std::max(left.maxEnd, right.maxEnd)};
    }

    static bool MayContain(const Bounds& bounds, std::int64_t t) {
        return bounds.minStart <= t && bounds.maxEnd >= t;
    }

    std::size_t Find(std::size_t node, std::size_t low, std::size_t high, std::size_t from,
                     std::int64_t a, std::int64_t b) const {
        const Bounds& bounds = m_nodes[node];
        if (high <= from || !(MayContain(bounds, a) || MayContain(bounds, b)))
            return kNone;
        if (high - low == 1)
            return low; // a leaf's bounds are its period's own
        const std::size_t middle = low + (high - low) / 2;
        const std::size_t left = Find(2 * node, low, middle, from, a, b);
        if (left != kNone)
            return left;
        return Find(2 * node + 1, middle, high, from, a, b);
    }

    std::size_t m_count = 0;
    std::size_t m_leaves = 1;
    std::vector<Bounds> m_nodes;
};

// Periods walked so far. The thread that runs the merge reports progress; a second walker
// only publishes its count now and then, for that thread to add in.
class CWalkCount {
public:
    // The count of the thread that reports.
    CWalkCount(const MergeProgress& progress, std::size_t total,
               const std::atomic<std::size_t>& otherWalked)
        : m_progress(&progress), m_total(total), m_otherWalked(&otherWalked) {}
    // The count of the second walker.
    explicit CWalkCount(std::atomic<std::size_t>& published) : m_published(&published) {}

    void Step() {
        if (++m_walked % kProgressEvery != 0)
            return;
        if (m_published)
            m_published->store(m_walked, std::memory_order_relaxed);
        else if (*m_progress)
            (*m_progress)(m_walked + m_otherWalked->load(std::memory_order_relaxed), m_total);
    }

private:
    const MergeProgress* m_progress = nullptr;
    std::size_t m_total = 0;
    const std::atomic<std::size_t>* m_otherWalked = nullptr;
    std::atomic<std::size_t>* m_published = nullptr;
    std::size_t m_walked = 0;
};

// The walker's notes followed by those of each period it absorbed, a line break between two
// that are not empty, written once into `pool`.
std::string_view JoinNotes(CTextPool& pool, std::string_view own, std::span<const Member> members,
                           const std::vector<std::size_t>& absorbed) {
    std::size_t size = own.size();
    for (const std::size_t index : absorbed) {
        const std::size_t more = members[index].notes.size();
        size += more + (size != 0 && more != 0 ? 1 : 0);
    }
    char* const begin = pool.Reserve(size);
    char* out = std::copy(own.begin(), own.end(), begin);
    for (const std::size_t index : absorbed) {
        const std::string_view more = members[index].notes;
        if (out != begin && !more.empty())
            *out++ = '\n';
        out = std::copy(more.begin(), more.end(), out);
    }
    return pool.Commit(size);
}

// Walks one project's periods in list order, each absorbing what the scans would give it.
// `fate` is indexed like `members`; a period that absorbed others has its new times and
// notes (kept in `pool`) in its member.
std::size_t MergeProjectPeriods(CTextPool& pool, std::span<Member> members, std::span<Fate> fate,
                                CWalkCount& walked) {
    CContainmentTree tree(members);
    std::size_t absorbed = 0;
    std::vector<std::size_t> joinedInOrder; // the periods the walker absorbed, in that order
    for (std::size_t w = 0; w < members.size(); ++w) {
        walked.Step();
        if (fate[w] == kAbsorbed)
            continue;
        Member& walker = members[w];
        std::int64_t start = walker.start;
        std::int64_t end = walker.end;
        // A scan never compares the walker with itself.
        tree.Remove(w);
        joinedInOrder.clear();
        // Position of the last absorbed period in the current scan; kNone while the scan
        // has absorbed nothing (it then started at the head).
        std::size_t last = kNone;
        // Whether the walker's times changed in the current scan. When they did not, every
        // period still in the list was already tested against the times it has now, and a
        // new scan from the head would find nothing.
        bool grew = false;
        for (;;) {
            const std::size_t from = last == kNone ? 0 : last + 1;
            const std::size_t next = tree.FirstContainingEither(end, start, from);
            if (next == kNone) {
                if (last == kNone || !grew)
                    break;    // nothing more to absorb
                last = kNone; // the scan absorbed something: scan again from the head
                grew = false;
                continue;
            }
            const Member& other = members[next];
            // Both rules test the walker's extent as it was before this period.
            const bool coversEnd = other.start <= end && end <= other.end;
            const bool coversStart = other.start <= start && start <= other.end;
            if (coversEnd && other.end != end) {
                end = other.end;
                grew = true;
            }
            if (coversStart && other.start != start) {
                start = other.start;
                grew = true;
            }
            joinedInOrder.push_back(next);
            fate[next] = kAbsorbed;
            tree.Remove(next);
            ++absorbed;
            last = next;
        }
        if (!joinedInOrder.empty()) {
            walker.start = static_cast<std::int32_t>(start);
            walker.end = static_cast<std::int32_t>(end);
            walker.notes = JoinNotes(pool, walker.notes, members, joinedInOrder);
            fate[w] = kAbsorbedOthers;
        }
        // Still in the list: a later walker may absorb it.
        tree.Set(w, walker.start, walker.end);
    }
    return absorbed;
}

// The periods of each project side by side, projects in the order their names first come
// up in the list and periods in list order: project g has [begins[g], begins[g + 1]).
struct Groups {
    explicit Groups(std::size_t count) : members(count) {}
    CLargeArray<Member> members;
    std::vector<Fate> fates;
    std::vector<std::size_t> begins;
};

Groups GroupByProject(const CStore& store) {
    std::unordered_map<std::string_view, std::size_t> groupOf;
    std::vector<std::size_t> counts;
    CPeriodProjectLookup groupOfPeriod(kNone, [&](const std::string& name) {
        const auto [it, added] = groupOf.try_emplace(name, counts.size());
        if (added)
            counts.push_back(0);
        return it->second;
    });
    // Counted first, so that every member is written once into an array of its final size.
    for (const auto& period : store.DoneTasks())
        ++counts[groupOfPeriod.Of(*period)];
    Groups groups(store.GetDoneCount());
    groups.begins.resize(counts.size() + 1, 0);
    for (std::size_t g = 0; g < counts.size(); ++g)
        groups.begins[g + 1] = groups.begins[g] + counts[g];
    std::vector<std::size_t> next(groups.begins.begin(), groups.begins.end() - 1);
    std::size_t place = 0;
    for (const auto& period : store.DoneTasks()) {
        groups.members[next[groupOfPeriod.Of(*period)]++] = {place++, period->GetStart(),
                                                             period->GetEnd(), period->GetNotes()};
    }
    groups.fates.assign(groups.members.size(), kStays);
    return groups;
}

// Merges projects one after another, each taken from `nextGroup` so that two walkers share
// them however late either starts, and marks in list order which periods of each went and
// which absorbed others.
std::size_t WalkGroups(Groups& groups, std::atomic<std::size_t>& nextGroup, CTextPool& pool,
                       std::vector<char>& gone, std::vector<const Member*>& joinedAt,
                       CWalkCount& walked) {
    const std::size_t groupCount = groups.begins.size() - 1;
    std::size_t absorbed = 0;
    for (std::size_t g; (g = nextGroup.fetch_add(1, std::memory_order_relaxed)) < groupCount;) {
        const std::size_t begin = groups.begins[g];
        const std::size_t end = groups.begins[g + 1];
        absorbed +=
            MergeProjectPeriods(pool, groups.members.Span().subspan(begin, end - begin),
                                std::span(groups.fates).subspan(begin, end - begin), walked);
        for (std::size_t i = begin; i < end; ++i) {
            const Member& member = groups.members[i];
            gone[member.place] = groups.fates[i] == kAbsorbed ? 1 : 0;
            if (groups.fates[i] == kAbsorbedOthers)
                joinedAt[member.place] = &member;
        }
    }
    return absorbed;
}

} // namespace

MergeSummary MergeRecords(CStore& store, const MergeProgress& progress) {
    MergeSummary summary;

    // Projects: the first of each name stays.
    std::vector<char> taskKept;
    taskKept.reserve(store.GetTaskCount());
    {
        std::unordered_set<std::string_view> names;
        names.reserve(store.GetTaskCount());
        for (const auto& task : store.Tasks()) {
            const bool first = names.insert(task->GetName()).second;
            taskKept.push_back(first ? 1 : 0);
            if (!first)
                ++summary.projectsRemoved;
        }
    }

    // Periods: only periods of one project name ever meet, so each project is merged on its
    // own, its periods kept in list order.
    const std::size_t total = store.GetDoneCount();
    Groups groups = GroupByProject(store);

    std::vector<char> gone(total, 0);
    // For each place in the list that absorbed others: its member, to be written back.
    std::vector<const Member*> joinedAt(total, nullptr);
    // Projects never meet, so a large merge shares them out with a second thread, which keeps
    // its joined notes in a pool of its own until it is done.
    std::atomic<std::size_t> nextGroup{0};
    std::atomic<std::size_t> secondWalked{0};
    CTextPool secondPool;
    std::future<std::size_t> second;
    if (total >= kSecondWalkerFrom && groups.begins.size() > 2) {
        try {
            second = std::async(std::launch::async, [&] {
                CWalkCount walked(secondWalked);
                return WalkGroups(groups, nextGroup, secondPool, gone, joinedAt, walked);
            });
        } catch (const std::system_error&) {
            // Without a second thread this one walks every project.
        }
    }
    CWalkCount walked(progress, total, secondWalked);
    summary.periodsAbsorbed =
        WalkGroups(groups, nextGroup, store.TextPool(), gone, joinedAt, walked);
    if (second.valid()) {
        summary.periodsAbsorbed += second.get();
        store.TextPool().TakeBlocksOf(secondPool);
    }
    if (summary.periodsAbsorbed != 0) {
        std::size_t at = 0;
        for (const auto& period : store.DoneTasks()) {
            if (const Member* joined = joinedAt[at++]) {
                period->SetStart(joined->start);
                period->SetEnd(joined->end);
                store.SharePooledNotes(*period, joined->notes);
            }
        }
    }

    // The losers leave the lists where they are; the survivors keep their places (and
    // their addresses, which the program may hold).
    if (summary.projectsRemoved != 0) {
        std::unordered_set<const CTask*> dropped;
        std::size_t i = 0;
        for (const auto& task : store.Tasks()) {
            if (!taskKept[i++])
                dropped.insert(task.get());
        }
        store.RemoveTasksIf([&](const CTask& task) { return dropped.count(&task) != 0; });
    }
    if (summary.periodsAbsorbed != 0)
        store.RemoveMarkedDoneTasks(gone); // `gone` is indexed in list order
    if (progress)
        progress(total, total);
    return summary;
}
