#include "core/data/Password.h"

std::string ScramblePassword(std::string_view plain) {
    const std::size_t n = plain.size();
    std::string stored(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        const auto q = static_cast<unsigned char>(static_cast<unsigned char>(plain[i]) + i);
        stored[n - 1 - i] = static_cast<char>(q);
    }
    return stored;
}

std::string UnscramblePassword(std::string_view stored) {
    const std::size_t n = stored.size();
    std::string plain(n, '\0');
    for (std::size_t i = 0; i < n; ++i) {
        const auto r = static_cast<unsigned char>(stored[n - 1 - i]);
        plain[i] = static_cast<char>(static_cast<unsigned char>(r - i));
    }
    return plain;
}
