#pragma once

#include <string>
#include <string_view>

// The stored form of the program password: each byte plus its index (mod 256), reversed.
// Raw bytes in, raw bytes out; no text conversion happens here.
std::string ScramblePassword(std::string_view plain);
std::string UnscramblePassword(std::string_view stored);
