#pragma once

#include <string>
#include <string_view>

// Text as other programs must get it: valid UTF-8. Inside the program a 16-bit string read
// from a file may hold an unpaired surrogate (kept so the file is written back unchanged);
// such a code point, and any other byte run that is not UTF-8, becomes one U+FFFD.
std::string ToValidUtf8(std::string_view text);
