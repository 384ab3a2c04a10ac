#pragma once

#include <cstdint>
#include <cstring>
#include <string_view>

// The same text: short names compared a word at a time in place, since every record of a
// save compares its class name and its project's name this way.
inline bool SameText(std::string_view a, std::string_view b) {
    const std::size_t size = a.size();
    if (size != b.size())
        return false;
    if (size < 8 || size > 64)
        return a == b;
    std::uint64_t x;
    std::uint64_t y;
    for (std::size_t i = 0; i + 8 <= size; i += 8) {
        std::memcpy(&x, a.data() + i, sizeof x);
        std::memcpy(&y, b.data() + i, sizeof y);
        if (x != y)
            return false;
    }
    // The last eight bytes, overlapping those before them.
    std::memcpy(&x, a.data() + size - 8, sizeof x);
    std::memcpy(&y, b.data() + size - 8, sizeof y);
    return x == y;
}

// A quick hash of a project name for a small table of recent names. It mixes the first,
// middle and last eight bytes, since names often differ only in a number in their middle
// ("Client 12 - Website"); a name that collides merely costs a slower look.
inline std::uint64_t NameHash(std::string_view name) {
    std::uint64_t hash = name.size() * 0x9E3779B97F4A7C15ull;
    if (name.size() >= 8) {
        std::uint64_t first = 0;
        std::uint64_t middle = 0;
        std::uint64_t last = 0;
        std::memcpy(&first, name.data(), 8);
        std::memcpy(&middle, name.data() + (name.size() - 8) / 2, 8);
        std::memcpy(&last, name.data() + name.size() - 8, 8);
        hash ^= first * 0xFF51AFD7ED558CCDull ^ middle * 0xC4CEB9FE1A85EC53ull ^
                last * 0x94D049BB133111EBull;
    } else {
        for (const char c : name)
            hash = (hash ^ static_cast<unsigned char>(c)) * 0x100000001B3ull;
    }
    hash ^= hash >> 29;
    hash *= 0xBF58476D1CE4E5B9ull;
    hash ^= hash >> 32;
    return hash;
}
