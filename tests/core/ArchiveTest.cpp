#include "core/data/Archive.h"
#include "core/data/Password.h"
#include "core/data/Windows1252.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <vector>

#include <functional>

using coretest::FromHex;
using coretest::ToHex;

namespace {

std::string Written(const std::function<void(CArchiveWriter&)>& write) {
    CArchiveWriter ar;
    write(ar);
    return std::string(ar.Bytes());
}

TEST(ArchiveString, LengthPrefixFormsAndTheirRoundTrip) {
    struct Case {
        std::size_t length;
        const char* prefix;
    };
    const Case cases[] = {
        {0, "00"},
        {254, "FE"},
        {255, "FF FF 00"},
        {65533, "FF FD FF"},
        {65534, "FF FF FF FE FF 00 00"},
        {70000, "FF FF FF 70 11 01 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.length);
        const std::string text(c.length, 'x');
        const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteString(text); });
        const std::string prefix = FromHex(c.prefix);
        ASSERT_EQ(bytes.size(), prefix.size() + c.length);
        EXPECT_EQ(ToHex(bytes.substr(0, prefix.size())), ToHex(prefix));

        CArchiveReader reader(bytes);
        std::string back;
        ASSERT_TRUE(reader.ReadString(back));
        EXPECT_EQ(back, text);
        EXPECT_EQ(reader.Remaining(), 0u);
    }
}

// An accented text has fewer bytes in the code page than in UTF-8, so its prefix can be a
// shorter form than its UTF-8 length would take.
TEST(ArchiveString, PrefixFollowsTheConvertedLength) {
    struct Case {
        std::size_t utf8Length; // ending in one two-byte character
        const char* prefix;
    };
    const Case cases[] = {
        {255, "FE"},
        {256, "FF FF 00"},
        {65534, "FF FD FF"},
        {65535, "FF FF FF FE FF 00 00"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8Length);
        const std::string text = std::string(c.utf8Length - 2, 'x') + "\xC3\xA9";
        const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteString(text); });
        const std::string prefix = FromHex(c.prefix);
        ASSERT_EQ(bytes.size(), prefix.size() + c.utf8Length - 1);
        EXPECT_EQ(ToHex(bytes.substr(0, prefix.size())), ToHex(prefix));
        EXPECT_EQ(bytes.back(), '\xE9');
    }
}

TEST(ArchiveString, TextOutsideTheCodePageUsesTheSixteenBitForm) {
    struct Case {
        const char* utf8;
        const char* bytes;
    };
    const Case cases[] = {
        {"Caf\xC3\xA9", "04 43 61 66 E9"},                       // é is in the code page
        {"\xE2\x82\xAC", "01 80"},                               // € is 0x80
        {"\xC2\x81", "01 81"},                                   // undefined byte kept as-is
        {"\xE6\x97\xA5\xE6\x9C\xAC", "FF FE FF 02 E5 65 2C 67"}, // 日本
        {"\xF0\x9F\x98\x80", "FF FE FF 02 3D D8 00 DE"},         // U+1F600, a surrogate pair
        // Not UTF-8 at all: each bad byte becomes U+FFFD rather than crash or vanish.
        {"a\xC3", "FF FE FF 02 61 00 FD FF"},
        {"\xFF\xFE", "FF FE FF 02 FD FF FD FF"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.utf8);
        const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteString(c.utf8); });
        EXPECT_EQ(ToHex(bytes), ToHex(FromHex(c.bytes)));
    }
    // Every valid text reads back unchanged.
    for (const char* text : {"Caf\xC3\xA9", "\xE6\x97\xA5\xE6\x9C\xAC", "\xF0\x9F\x98\x80"}) {
        const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteString(text); });
        CArchiveReader reader(bytes);
        std::string back;
        ASSERT_TRUE(reader.ReadString(back));
        EXPECT_EQ(back, text);
    }
}

TEST(ArchiveString, ReaderAcceptsTheSixteenBitFormWithEveryLengthForm) {
    const char* inputs[] = {
        "FF FE FF 02 41 00 E9 00",
        "FF FE FF FF 02 00 41 00 E9 00",
        "FF FE FF FF FF FF 02 00 00 00 41 00 E9 00",
    };
    for (const char* hex : inputs) {
        SCOPED_TRACE(hex);
        const std::string bytes = FromHex(hex);
        CArchiveReader reader(bytes);
        std::string text;
        ASSERT_TRUE(reader.ReadString(text));
        EXPECT_EQ(text, "A\xC3\xA9");
        EXPECT_EQ(reader.Remaining(), 0u);
    }
    // A lone surrogate read from a file is written back unchanged.
    const std::string lone = FromHex("FF FE FF 02 00 D8 41 00");
    CArchiveReader reader(lone);
    std::string text;
    ASSERT_TRUE(reader.ReadString(text));
    EXPECT_EQ(ToHex(Written([&](CArchiveWriter& ar) { ar.WriteString(text); })), ToHex(lone));
}

TEST(ArchiveString, RawStringsAreNeverConverted) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteRawString(all); });
    EXPECT_EQ(bytes.substr(0, 3), FromHex("FF 00 01"));
    CArchiveReader reader(bytes);
    std::string back;
    ASSERT_TRUE(reader.ReadRawString(back));
    EXPECT_EQ(back, all);

    // A raw field stored as 16-bit text comes back in the 8-bit code page; a unit it cannot
    // hold becomes '?'.
    const std::string wideBytes = FromHex("FF FE FF 03 61 00 AC 20 E5 65");
    CArchiveReader wide(wideBytes);
    ASSERT_TRUE(wide.ReadRawString(back));
    EXPECT_EQ(ToHex(back), "61 80 3F");
}

TEST(ArchiveString, ASharedTextIsWrittenAsItIsEachTime) {
    // One string object whose text changes between writes, as a freed name's address may
    // be taken by another: each write must carry the text it has then.
    std::string shared = "Web";
    const std::string bytes = Written([&](CArchiveWriter& ar) {
        ar.WriteSharedString(shared);
        ar.WriteSharedString(shared);
        shared = "Caf\xC3\xA9";
        ar.WriteSharedString(shared);
        shared = "\xE6\x9D\xB1";
        ar.WriteSharedString(shared);
        ar.WriteSharedString(shared);
    });
    const std::string expected = Written([&](CArchiveWriter& ar) {
        for (const char* text : {"Web", "Web", "Caf\xC3\xA9", "\xE6\x9D\xB1", "\xE6\x9D\xB1"})
            ar.WriteString(text);
    });
    EXPECT_EQ(ToHex(bytes), ToHex(expected));
}

TEST(Windows1252, EveryByteStringRoundTrips) {
    std::string all;
    for (int b = 0; b < 256; ++b)
        all += static_cast<char>(b);
    const std::string utf8 = windows1252::ToUtf8(all);
    const auto back = windows1252::FromUtf8(utf8);
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(*back, all);

    EXPECT_EQ(windows1252::ToUtf8("\x81\x8D\x8F\x90\x9D"),
              "\xC2\x81\xC2\x8D\xC2\x8F\xC2\x90\xC2\x9D");
    EXPECT_EQ(windows1252::ToUtf8("\x80\x9F"), "\xE2\x82\xAC\xC5\xB8");
    EXPECT_FALSE(windows1252::FromUtf8("\xC2\x80").has_value()); // U+0080 has no byte
    EXPECT_FALSE(windows1252::FromUtf8("\xC3").has_value());     // cut sequence
    EXPECT_FALSE(windows1252::FromUtf8("\xC0\xAF").has_value()); // overlong
}

TEST(ArchiveCount, ShortAndLongForms) {
    struct Case {
        std::size_t count;
        const char* bytes;
    };
    const Case cases[] = {{0, "00 00"},
                          {0xFFFE, "FE FF"},
                          {0xFFFF, "FF FF FF FF 00 00"},
                          {0x12345, "FF FF 45 23 01 00"}};
    for (const Case& c : cases) {
        const std::string bytes = Written([&](CArchiveWriter& ar) { ar.WriteCount(c.count); });
        EXPECT_EQ(ToHex(bytes), ToHex(FromHex(c.bytes)));
        CArchiveReader reader(bytes);
        std::uint32_t back = 0;
        ASSERT_TRUE(reader.ReadCount(back));
        EXPECT_EQ(back, c.count);
    }
}

TEST(ArchiveObjects, ClassesAndObjectsShareOneCounter) {
    CArchiveWriter ar;
    ar.WriteObjectTag("CTask", 2);     // class 1, object 2
    ar.WriteObjectTag("CTask", 2);     // object 3
    ar.WriteObjectTag("CDoneTask", 1); // class 4, object 5
    ar.WriteObjectTag("CDoneTask", 1);
    ar.WriteObjectTag("CTask", 2);
    EXPECT_EQ(ToHex(ar.Bytes()), ToHex(FromHex("FF FF 02 00 05 00 43 54 61 73 6B 01 80"
                                               "FF FF 01 00 09 00 43 44 6F 6E 65 54 61 73 6B"
                                               "04 80 01 80")));
    CArchiveReader reader(ar.Bytes());
    reader.SetKnownClasses({"CTask", "CDoneTask"});
    const std::pair<const char*, int> expected[] = {
        {"CTask", 2}, {"CTask", 2}, {"CDoneTask", 1}, {"CDoneTask", 1}, {"CTask", 2}};
    for (const auto& [name, schema] : expected) {
        CArchiveReader::ObjectHeader header;
        ASSERT_TRUE(reader.ReadObjectHeader(header));
        EXPECT_EQ(header.className, name);
        EXPECT_EQ(header.schema, schema);
    }
}

TEST(ArchiveObjects, ClassIndexesFrom7FFFUseTheLongTag) {
    CArchiveWriter ar;
    ar.WriteObjectTag("CTask", 2); // class 1, object 2
    for (int i = 0; i < 0x7FFC; ++i)
        ar.WriteObjectTag("CTask", 2); // objects 3 .. 0x7FFE
    const std::size_t before = ar.Bytes().size();
    ar.WriteObjectTag("CReportItem", 1); // class 0x7FFF
    ar.WriteObjectTag("CReportItem", 1);
    ar.WriteObjectTag("CTask", 2);
    EXPECT_EQ(ToHex(ar.Bytes().substr(before)),
              ToHex(FromHex("FF FF 01 00 0B 00 43 52 65 70 6F 72 74 49 74 65 6D"
                            "FF 7F FF 7F 00 80 01 80")));

    CArchiveReader reader(ar.Bytes());
    reader.SetKnownClasses({"CTask", "CReportItem"});
    CArchiveReader::ObjectHeader header;
    for (int i = 0; i < 0x7FFD + 2; ++i)
        ASSERT_TRUE(reader.ReadObjectHeader(header)) << i;
    EXPECT_EQ(header.className, "CReportItem");
    ASSERT_TRUE(reader.ReadObjectHeader(header));
    EXPECT_EQ(header.className, "CTask");
    EXPECT_EQ(reader.Remaining(), 0u);
}

TEST(ArchiveReader, RefusesEveryTagThatIsNotANewObjectOfAKnownClass) {
    const std::string task = "FF FF 02 00 05 00 43 54 61 73 6B"; // class 1, object 2
    struct Case {
        const char* what;
        std::string hex;
        bool ok;
    };
    const Case cases[] = {
        {"class index 1", task + " 01 80", true},
        {"long class index 1", task + " FF 7F 01 00 00 80", true},
        {"nothing at all", "", false},
        {"tag cut short", "FF", false},
        {"class record cut short", "FF FF 02 00 05 00 43 54", false},
        {"name of 64 bytes", "FF FF 01 00 40 00" + std::string(128, '4'), false},
        {"unknown class", "FF FF 01 00 05 00 43 54 61 73 6C", false},
        {"class index 0", task + " 00 80", false},
        {"index of an object", task + " 02 80", false},
        {"index not given out yet", task + " 03 80", false},
        {"null object", "00 00", false},
        {"reference", task + " 02 00", false},
        {"long reference", task + " FF 7F 02 00 00 00", false},
        {"long index not given out", task + " FF 7F 09 00 00 80", false},
        {"long tag cut short", task + " FF 7F 01 00", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        const std::string bytes = FromHex(c.hex);
        CArchiveReader reader(bytes);
        reader.SetKnownClasses({"CTask", "CDoneTask", "CReportItem"});
        CArchiveReader::ObjectHeader header;
        bool ok = true;
        while (ok && (reader.Remaining() > 0 || bytes.empty())) {
            ok = reader.ReadObjectHeader(header);
            if (bytes.empty())
                break;
        }
        EXPECT_EQ(ok, c.ok);
        EXPECT_EQ(reader.Failed(), !c.ok);
        if (ok) {
            EXPECT_EQ(header.className, "CTask");
        }
    }
}

TEST(ArchiveReader, NoLengthIsTrustedAndFailureSticks) {
    // Lengths far beyond the input fail before anything is allocated.
    const char* inputs[] = {"05 41 42", "FF 10 00 41", "FF FF FF FF FF FF FF 41",
                            "FF FE FF FF FF FF FF FF 7F 41 00", "FF FE FF 02 41 00 42"};
    for (const char* hex : inputs) {
        SCOPED_TRACE(hex);
        const std::string bytes = FromHex(hex);
        CArchiveReader reader(bytes);
        std::string text = "untouched";
        EXPECT_FALSE(reader.ReadString(text));
        EXPECT_TRUE(reader.Failed());
        EXPECT_EQ(reader.Offset(), 0u);
        std::uint8_t byte = 0;
        EXPECT_FALSE(reader.ReadByte(byte)); // bytes remain, but the reader stays failed
    }
    const std::string bytes = FromHex("01 00 02");
    CArchiveReader reader(bytes);
    std::uint16_t word = 0;
    std::uint32_t dword = 0;
    EXPECT_TRUE(reader.ReadWord(word));
    EXPECT_FALSE(reader.ReadDWord(dword));
    EXPECT_EQ(reader.Offset(), 2u);
}

TEST(Password, ScrambleMatchesTheStoredFormAndRoundTripsEveryByte) {
    EXPECT_EQ(ScramblePassword("abc"), "eca");
    EXPECT_EQ(UnscramblePassword("eca"), "abc");
    EXPECT_EQ(ScramblePassword(""), "");

    std::string all;
    std::string toZero; // byte i + i == 256: every stored byte is 0
    for (int i = 0; i < 256; ++i) {
        all += static_cast<char>(i);
        toZero += static_cast<char>((256 - i) & 0xFF);
        const std::string one(1, static_cast<char>(i));
        EXPECT_EQ(UnscramblePassword(ScramblePassword(one)), one);
    }
    EXPECT_EQ(UnscramblePassword(ScramblePassword(all)), all);
    EXPECT_EQ(ScramblePassword(toZero), std::string(256, '\0'));
    EXPECT_EQ(UnscramblePassword(std::string(256, '\0')), toZero);
}

} // namespace

// A writer bound to a sink hands over the same bytes as one kept in memory, in blocks,
// including a text larger than a block; once the sink refuses, it is handed nothing more.
TEST(ArchiveWriter, SinkGetsTheBytesInBlocks) {
    const std::string huge = "\xE2\x82\xAC" + std::string(3 << 20, 'n') + "\xC3\xA9";
    auto write = [&](CArchiveWriter& ar) {
        ar.WriteCount(3);
        for (int i = 0; i < 200000; ++i) {
            ar.WriteObjectTag("CDoneTask", 2);
            ar.WriteString(i % 3 ? "Caf\xC3\xA9" : "\xE6\x97\xA5");
            ar.WriteInt32(i);
            if (i == 1000)
                ar.WriteString(huge);
        }
        ar.WriteRawString(huge);
    };
    const std::string whole = Written(write);

    std::string block;
    std::vector<std::size_t> pieces;
    std::string streamed;
    {
        CArchiveWriter ar(block, [&](std::string_view piece) {
            pieces.push_back(piece.size());
            streamed.append(piece);
            return true;
        });
        write(ar);
        EXPECT_TRUE(ar.Finish());
    }
    EXPECT_GT(pieces.size(), 3u);
    EXPECT_TRUE(streamed == whole) << streamed.size() << " bytes against " << whole.size();

    int calls = 0;
    CArchiveWriter refused(block, [&](std::string_view) {
        ++calls;
        return false;
    });
    write(refused);
    EXPECT_FALSE(refused.Finish());
    EXPECT_EQ(calls, 1);
}
