#pragma once

#include <array>
#include <cstddef>
#include <string>
#include <string_view>

// The project names a file reader has met, by their bytes in the file: most files name a
// few dozen projects, so a period's name is found without decoding it and looking it up
// again. A name that shares its slot with another merely costs that again.
class CFileNameCache {
public:
    // The shared name stored for these bytes; null when they are not known.
    const std::string* Find(std::string_view bytes) const;
    void Add(std::string_view bytes, const std::string* name);

private:
    static constexpr std::size_t kSlots = 256;
    static std::size_t SlotOf(std::string_view bytes);

    struct Slot {
        std::string bytes;
        const std::string* name = nullptr;
    };
    std::array<Slot, kSlots> m_slots;
};
