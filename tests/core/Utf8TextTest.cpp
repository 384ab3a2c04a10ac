#include "core/data/Utf8Text.h"

#include <gtest/gtest.h>

namespace {

TEST(ValidUtf8, KeepsUtf8AndReplacesEachBadRunOnce) {
    const std::string fffd = "\xEF\xBF\xBD";
    struct Case {
        const char* name;
        std::string in;
        std::string out;
    };
    const Case cases[] = {
        {"ascii and accents", "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80",
         "Caf\xC3\xA9 \xE2\x82\xAC \xF0\x9F\x98\x80"},
        {"unpaired high surrogate",
         "A\xED\xA0\x80"
         "B",
         "A" + fffd + "B"},
        {"unpaired low surrogate at the end", "A\xED\xBF\xBF", "A" + fffd},
        {"two surrogates in a row", "\xED\xA0\x80\xED\xB0\x80", fffd + fffd},
        {"stray continuation byte", "a\x80z", "a" + fffd + "z"},
        {"overlong slash", "\xC0\xAF", fffd},
        {"beyond U+10FFFF", "\xF4\x90\x80\x80", fffd},
        {"cut at the end", "x\xE2\x82", "x" + fffd},
        {"cut before ascii", "\xE2\x82y", fffd + "y"},
        {"windows-1252 byte", "na\xEFve", "na" + fffd + "ve"},
        {"nul kept", std::string("a\0b", 3), std::string("a\0b", 3)},
    };
    for (const Case& c : cases)
        EXPECT_EQ(ToValidUtf8(c.in), c.out) << c.name;
}

} // namespace
