#pragma once

#include "core/data/DoneTask.h"

#include <string>
#include <unordered_map>
#include <utility>

// Finds what belongs to a period's project for every period of a walk over the store, while
// hashing each project's name once. Periods read from a file share their project's text, so
// its address stands for the name; a run of periods of one project costs one comparison.
// `find` maps a project name to its value (`none` when there is nothing for it).
template <class Value, class Find> class CPeriodProjectLookup {
public:
    CPeriodProjectLookup(Value none, Find find) : m_none(none), m_find(std::move(find)) {}

    Value Of(const CDoneTask& period) {
        const std::string* address = &period.GetProject();
        if (address != m_lastAddress) {
            const auto [it, added] = m_byAddress.try_emplace(address, m_none);
            if (added)
                it->second = m_find(*address);
            m_lastAddress = address;
            m_lastValue = it->second;
        }
        return m_lastValue;
    }

private:
    Value m_none;
    Find m_find;
    std::unordered_map<const std::string*, Value> m_byAddress;
    const std::string* m_lastAddress = nullptr;
    Value m_lastValue = m_none;
};
