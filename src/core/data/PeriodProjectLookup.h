#pragma once

#include "core/data/DoneTask.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <utility>

// Finds what belongs to a period's project for every period of a walk over the store, while
// hashing each project's name once. Periods read from a file share their project's text, so
// its address stands for the name. A small table of slots by address answers first, so that
// periods of different projects side by side in the list cost no hashing either.
// `find` maps a project name to its value (`none` when there is nothing for it).
template <class Value, class Find> class CPeriodProjectLookup {
public:
    CPeriodProjectLookup(Value none, Find find) : m_none(none), m_find(std::move(find)) {
        m_slots.fill(Slot{nullptr, m_none});
    }

    Value Of(const CDoneTask& period) {
        const std::string* address = &period.GetProject();
        // Names are strings side by side: their addresses differ in the bits above these.
        Slot& slot = m_slots[(reinterpret_cast<std::uintptr_t>(address) >> 5) % kSlots];
        if (slot.address != address) {
            const auto [it, added] = m_byAddress.try_emplace(address, m_none);
            if (added)
                it->second = m_find(*address);
            slot = Slot{address, it->second};
        }
        return slot.value;
    }

private:
    struct Slot {
        const std::string* address;
        Value value;
    };
    static constexpr std::size_t kSlots = 256;

    Value m_none;
    Find m_find;
    std::unordered_map<const std::string*, Value> m_byAddress;
    std::array<Slot, kSlots> m_slots;
};
