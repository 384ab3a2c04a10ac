#pragma once

#include "core/data/DoneTask.h"
#include "core/data/Task.h"

#include <iterator>
#include <list>

// The record merge done exactly as it reads, step by step on plain lists: the reference the
// fast merge is checked against (and timed against in bench/). Quadratic or worse.
inline void LiteralMergeRecords(std::list<CTask>& tasks, std::list<CDoneTask>& periods) {
    for (auto task = tasks.begin(); task != tasks.end(); ++task) {
        for (auto other = std::next(task); other != tasks.end();) {
            if (other->GetName() == task->GetName())
                other = tasks.erase(other);
            else
                ++other;
        }
    }
    for (auto c = periods.begin(); c != periods.end(); ++c) {
        bool merged = true;
        while (merged) {
            merged = false;
            for (auto e = periods.begin(); e != periods.end();) {
                if (e == c || e->GetProject() != c->GetProject()) {
                    ++e;
                    continue;
                }
                bool applied = false;
                if (e->GetEnd() >= c->GetEnd() && e->GetStart() <= c->GetEnd()) {
                    c->SetEnd(e->GetEnd());
                    applied = true;
                }
                if (e->GetStart() <= c->GetStart() && e->GetEnd() >= c->GetStart()) {
                    c->SetStart(e->GetStart());
                    applied = true;
                }
                if (!applied) {
                    ++e;
                    continue;
                }
                std::string notes = c->GetNotes();
                if (!notes.empty() && !e->GetNotes().empty())
                    notes += "\n";
                notes += e->GetNotes();
                c->SetNotes(notes);
                e = periods.erase(e);
                merged = true;
            }
        }
    }
}
