#include "core/data/DataFile.h"
#include "core/data/Store.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <utility>
#include <vector>

using coretest::Fixture;
using coretest::FromHex;
using coretest::ToHex;

namespace {

constexpr std::int32_t kStart = 1136192400; // 2006-01-02 09:00:00 UTC

const char* const kWorkedExample = "00"
                                   "00 00"
                                   "02 00"
                                   "FF FF 02 00 05 00 43 54 61 73 6B"
                                   "05 41 64 6D 69 6E 00 00 00 00 00 00 00 00 00 00 00 00"
                                   "01 80"
                                   "03 57 65 62 00 00 00 00 19 00 00 00 32 00 00 00"
                                   "01 00"
                                   "FF FF 02 00 09 00 43 44 6F 6E 65 54 61 73 6B"
                                   "00 00 00 00 03 57 65 62 00 90 EB B8 43 A8 00 B9 43 00 00 00 00";

void AddProject(CStore& store, const std::string& name, std::uint32_t dollars = 0,
                std::uint8_t cents = 0) {
    auto task = std::make_unique<CTask>(name);
    task->SetRate(dollars, cents);
    ASSERT_TRUE(store.AddTask(task));
}

void AddPeriod(CStore& store, const std::string& project, std::int32_t start, std::int32_t end,
               const std::string& notes = {}) {
    auto period = std::make_unique<CDoneTask>(project, notes);
    period->SetStart(start);
    period->SetEnd(end);
    ASSERT_TRUE(store.AddDoneTask(period));
}

TEST(DataFile, WorkedExampleByteForByte) {
    CStore store;
    AddProject(store, "Web", 25, 50);
    AddProject(store, "Admin"); // created after Web, so it comes first
    AddPeriod(store, "Web", kStart, kStart + 5400);

    const std::string bytes = CDataFile::Write(store, "", 0);
    EXPECT_EQ(ToHex(bytes), ToHex(FromHex(kWorkedExample)));
    EXPECT_EQ(bytes, Fixture("example.pnd"));

    CStore back;
    const DataFileReadResult r = CDataFile::Read(bytes, back);
    EXPECT_FALSE(r.damaged);
    EXPECT_EQ(r.projectsRead, 2u);
    EXPECT_EQ(r.periodsRead, 1u);
    ASSERT_EQ(back.GetTaskCount(), 2u);
    EXPECT_EQ(back.Tasks().front()->GetName(), "Admin");
    EXPECT_EQ(back.FindTask("Web")->GetDollars(), 25u);
    EXPECT_EQ(back.FindTask("Web")->GetCents(), 50);
    const CDoneTask* period = back.FindDoneTask(kStart);
    ASSERT_NE(period, nullptr);
    EXPECT_EQ(period->GetEnd(), kStart + 5400);
    EXPECT_EQ(CDataFile::Write(back, "", 0), bytes); // order survives a save and a reload
}

TEST(DataFile, SmallLayouts) {
    CStore empty;
    EXPECT_EQ(ToHex(CDataFile::Write(empty, "", 0)), "00 00 00 00 00 00 00");
    EXPECT_EQ(CDataFile::Write(empty, "", 0), Fixture("empty.pnd"));
    EXPECT_EQ(ToHex(CDataFile::Write(empty, "eca", 1)), "03 65 63 61 01 00 00 00 00 00");

    // With no projects the period class takes index 1.
    CStore periodsOnly;
    AddPeriod(periodsOnly, "Web", 10, 20);
    AddPeriod(periodsOnly, "Web", 30, 40);
    const std::string bytes = CDataFile::Write(periodsOnly, "", 0);
    const std::size_t second = 7 + 15 + 21; // header, class record, first period
    EXPECT_EQ(ToHex(bytes.substr(second, 2)), "01 80");

    // Name lengths either side of the one-byte prefix.
    for (const auto& [length, prefix] :
         {std::pair<std::size_t, const char*>{254, "FE"}, {255, "FF FF 00"}}) {
        CStore store;
        AddProject(store, std::string(length, 'n'));
        const std::string out = CDataFile::Write(store, "", 0);
        const std::string expected = FromHex(prefix);
        EXPECT_EQ(ToHex(out.substr(5 + 11, expected.size())), ToHex(expected)) << length;
    }
}

TEST(DataFile, FieldsSurviveWritingAndReading) {
    CStore store;
    auto task = std::make_unique<CTask>("R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5"); // needs 16 bits
    task->SetRate(4000000000u, 99);
    task->SetFile("/home/me/plan \xE2\x82\xAC.odt");
    task->SetFileUsed(1);
    task->SetReserved(0xDEADBEEF);
    ASSERT_TRUE(store.AddTask(task));
    auto period = std::make_unique<CDoneTask>("R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5", "a\r\nb");
    period->Begin(-5);
    period->SetEnd(-10);
    period->MarkDeleted();
    ASSERT_TRUE(store.AddDoneTask(period));

    CStore back;
    ASSERT_FALSE(CDataFile::Read(CDataFile::Write(store, "\x01\xFF", 1), back).damaged);
    const CTask& t = *back.Tasks().front();
    EXPECT_EQ(t.GetName(), "R\xC3\xA9sum\xC3\xA9 \xE6\x97\xA5");
    EXPECT_EQ(t.GetDollars(), 4000000000u);
    EXPECT_EQ(t.GetCents(), 99);
    EXPECT_EQ(t.GetFile(), "/home/me/plan \xE2\x82\xAC.odt");
    EXPECT_TRUE(t.IsFileUsed());
    EXPECT_EQ(t.GetReserved(), 0xDEADBEEFu);
    const CDoneTask& p = *back.DoneTasks().front();
    EXPECT_EQ(p.GetNotes(), "a\r\nb");
    EXPECT_TRUE(p.IsRunning());
    EXPECT_TRUE(p.IsDeleted());
    EXPECT_EQ(p.GetStart(), -5);
    EXPECT_EQ(p.GetEnd(), -10);
}

TEST(DataFile, OldSchemasAreReadAndWrittenBackAsTheCurrentOne) {
    CStore store;
    const DataFileReadResult r = CDataFile::Read(Fixture("schema1-periods.pnd"), store);
    ASSERT_FALSE(r.damaged);
    ASSERT_EQ(store.GetDoneCount(), 2u);
    for (const auto& p : store.DoneTasks())
        EXPECT_FALSE(p->IsDeleted());
    EXPECT_EQ(store.DoneTasks().front()->GetNotes(), "old one");
    // Written back: schema 2 and the extra DWORD on each period.
    const std::string out = CDataFile::Write(store, "", 0);
    EXPECT_EQ(out.size(), Fixture("schema1-periods.pnd").size() + 8);
    const std::string doneClass = FromHex("FF FF 02 00 09 00");
    EXPECT_NE(out.find(doneClass), std::string::npos);

    CStore old;
    ASSERT_FALSE(CDataFile::Read(Fixture("schema1-projects.pnd"), old).damaged);
    ASSERT_EQ(old.GetTaskCount(), 2u);
    EXPECT_EQ(old.Tasks().front()->GetName(), "Old");
    EXPECT_EQ(old.Tasks().front()->GetDollars(), 10u);
    EXPECT_EQ(old.Tasks().back()->GetCents(), 99);
    EXPECT_FALSE(old.Tasks().back()->IsFileUsed());
}

TEST(DataFile, PasswordLockAndSixteenBitTextFromAFixture) {
    CStore store;
    const DataFileReadResult r = CDataFile::Read(Fixture("password-unicode.pnd"), store);
    ASSERT_FALSE(r.damaged);
    EXPECT_EQ(r.password, "eca");
    EXPECT_EQ(r.locked, 1);
    EXPECT_EQ(store.Tasks().front()->GetName(), "Caf\xC3\xA9 \xE6\x97\xA5\xE6\x9C\xAC");
    EXPECT_EQ(store.DoneTasks().front()->GetNotes(),
              "r\xC3\xA9sum\xC3\xA9 \xE2\x82\xAC\r\nline two");
    EXPECT_TRUE(store.DoneTasks().front()->IsRunning());
}

TEST(DataFile, CutInTheThirdPeriodKeepsWhatCameBefore) {
    CStore store;
    const std::string bytes = Fixture("truncated.pnd");
    const DataFileReadResult r = CDataFile::Read(bytes, store);
    EXPECT_TRUE(r.damaged);
    EXPECT_EQ(r.projectsRead, 2u);
    EXPECT_EQ(r.periodsRead, 2u);
    EXPECT_EQ(store.GetTaskCount(), 2u);
    ASSERT_EQ(store.GetDoneCount(), 2u);
    EXPECT_EQ(store.DoneTasks().back()->GetNotes(), "second");
    EXPECT_TRUE(store.DoneTasks().back()->IsDeleted());
    // Damage begins where the third period's tag does.
    EXPECT_EQ(r.damageOffset, bytes.size() - 11);
}

TEST(DataFile, TrailingBytesAreIgnoredAndReadingAppends) {
    CStore store;
    AddProject(store, "Already here");
    const DataFileReadResult r = CDataFile::Read(Fixture("example.pnd") + "garbage", store);
    EXPECT_FALSE(r.damaged);
    ASSERT_EQ(store.GetTaskCount(), 3u);
    EXPECT_EQ(store.Tasks().front()->GetName(), "Already here");
    EXPECT_EQ(store.Tasks().back()->GetName(), "Web");
}

// Each damaged input: how many records survive and where the damage is said to start.
TEST(DataFile, DamagedInputs) {
    const std::string example = FromHex(kWorkedExample);
    const std::string head = "00 00 00 01 00 FF FF 02 00 05 00 43 54 61 73 6B";
    const std::string admin = "05 41 64 6D 69 6E 00 00 00 00 00 00 00 00 00 00 00 00";
    struct Case {
        const char* what;
        std::string bytes;
        std::size_t projects;
        std::size_t periods;
        std::size_t offset;
        bool passwordRead;
    };
    const Case cases[] = {
        {"empty file", "", 0, 0, 0, false},
        {"password longer than the file", FromHex("09 61 62"), 0, 0, 0, false},
        {"no lock flag", FromHex("00 01"), 0, 0, 1, true},
        {"no project count", FromHex("00 00 00"), 0, 0, 3, true},
        {"projects cut in the class record", example.substr(0, 12), 0, 0, 5, true},
        {"second project cut", example.substr(0, 40), 1, 0, 34, true},
        {"no period count", example.substr(0, 52), 2, 0, 52, true},
        {"period cut in its end time", example.substr(0, 84), 2, 0, 54, true},
        {"project schema 3", FromHex("00 00 00 01 00 FF FF 03 00 05 00 43 54 61 73 6B" + admin), 0,
         0, 5, true},
        {"period where a project belongs",
         FromHex("00 00 00 01 00 FF FF 02 00 09 00 43 44 6F 6E 65 54 61 73 6B"), 0, 0, 5, true},
        {"project where a period belongs", FromHex(head + admin + "01 00 01 80" + admin), 1, 0, 36,
         true},
        {"null object", FromHex("00 00 00 01 00 00 00"), 0, 0, 5, true},
        {"reference to the first project", FromHex(head + admin + "01 00 02 00"), 1, 0, 36, true},
        {"class name of 64", FromHex("00 00 00 01 00 FF FF 02 00 40 00") + std::string(64, 'C'), 0,
         0, 5, true},
        {"huge count, one project",
         FromHex("00 00 00 FF FF FF FF FF FF FF FF 02 00 05 00 43 54 "
                 "61 73 6B" +
                 admin),
         1, 0, 38, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        CStore store;
        const DataFileReadResult r = CDataFile::Read(c.bytes, store);
        EXPECT_TRUE(r.damaged);
        EXPECT_EQ(r.passwordRead, c.passwordRead);
        EXPECT_EQ(store.GetTaskCount(), c.projects);
        EXPECT_EQ(store.GetDoneCount(), c.periods);
        EXPECT_EQ(r.projectsRead, c.projects);
        EXPECT_EQ(r.damageOffset, c.offset);
    }
}

// Every prefix of a valid file, and every single-byte change, reads without crashing and
// never yields more records than the whole file holds.
TEST(DataFile, AnyPrefixOrFlippedByteIsHandled) {
    const std::string bytes = Fixture("password-unicode.pnd") + Fixture("truncated.pnd");
    for (std::size_t n = 0; n <= bytes.size(); ++n) {
        CStore store;
        CDataFile::Read(bytes.substr(0, n), store);
        EXPECT_LE(store.GetTaskCount(), 1u);
    }
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        for (int v : {0x00, 0x7F, 0x80, 0xFF}) {
            std::string changed = bytes;
            changed[i] = static_cast<char>(v);
            CStore store;
            CDataFile::Read(changed, store);
            EXPECT_LE(store.GetDoneCount(), 1u);
        }
    }
}

// Reading a block at a time, whatever the blocks, finds what reading the whole input finds:
// the same records, the same damage at the same offset; so does checking without keeping. Pieces of
// one byte make every field run short; a note of over a megabyte makes the window grow; a wrong
// size hint stands for a file that grew or shrank since it was opened.
TEST(DataFile, ReadingABlockAtATimeFindsWhatTheWholeReadFinds) {
    CStore big;
    AddProject(big, "Web", 25, 50);
    AddProject(big, "Caf\xC3\xA9");
    for (std::int32_t i = 0; i < 3000; ++i)
        AddPeriod(big, i % 2 == 0 ? "Web" : "Caf\xC3\xA9", kStart + 100 * i, kStart + 100 * i + 50,
                  i == 1500 ? std::string(1200 * 1024, 'n') : "note " + std::to_string(i));
    const std::string large = CDataFile::Write(big, "secret", 1);
    const std::string small = Fixture("password-unicode.pnd") + Fixture("truncated.pnd");

    std::vector<std::pair<std::string, std::string>> inputs = {
        {"large", large},
        {"large cut in the long note", large.substr(0, large.size() / 2)},
        {"large cut in the last period", large.substr(0, large.size() - 3)},
        {"large with a bad tag after the long note",
         large.substr(0, large.size() - 1000) + std::string(1000, '\xFF')},
        {"empty", ""},
    };
    for (std::size_t n = 0; n <= small.size(); n += 7)
        inputs.push_back({"prefix " + std::to_string(n), small.substr(0, n)});
    for (std::size_t i = 0; i < small.size(); i += 5) {
        std::string changed = small;
        changed[i] = '\xFF';
        inputs.push_back({"0xFF at " + std::to_string(i), changed});
    }

    struct Feed {
        const char* what;
        std::size_t piece;
        std::ptrdiff_t hintOff; // size hint = size + hintOff, or 0 when unknown
        bool hinted;
    };
    const Feed feeds[] = {
        {"bytes one by one", 1, 0, true},
        {"pieces of 4 KB", 4096, 0, true},
        {"as much as asked, size unknown", SIZE_MAX, 0, false},
        {"as much as asked, file grew", SIZE_MAX, -100, true},
        {"as much as asked, file shrank", SIZE_MAX, 100, true},
    };
    for (const auto& [what, bytes] : inputs) {
        CStore whole;
        const DataFileReadResult expected = CDataFile::Read(bytes, whole);
        const std::string wholeBack = CDataFile::Write(whole, expected.password, expected.locked);
        for (const Feed& feed : feeds) {
            if (feed.piece == 1 && bytes.size() > 100000)
                continue; // a million one-byte reads prove nothing more
            SCOPED_TRACE(what + ", " + feed.what);
            std::size_t at = 0;
            const auto source = [&](char* into, std::size_t room) {
                const std::size_t n = std::min({room, feed.piece, bytes.size() - at});
                std::copy_n(bytes.data() + at, n, into);
                at += n;
                return n;
            };
            const std::size_t hint =
                feed.hinted ? static_cast<std::size_t>(std::max<std::ptrdiff_t>(
                                  0, static_cast<std::ptrdiff_t>(bytes.size()) + feed.hintOff))
                            : 0;
            CStore store;
            const DataFileReadResult r = CDataFile::Read(source, hint, store);
            EXPECT_EQ(r.damaged, expected.damaged);
            EXPECT_EQ(r.damageOffset, expected.damageOffset);
            EXPECT_EQ(r.passwordRead, expected.passwordRead);
            EXPECT_EQ(r.lockedRead, expected.lockedRead);
            EXPECT_EQ(r.projectsRead, expected.projectsRead);
            EXPECT_EQ(r.periodsRead, expected.periodsRead);
            EXPECT_TRUE(CDataFile::Write(store, r.password, r.locked) == wholeBack);

            // Checking alone keeps nothing and finds the same.
            at = 0;
            const DataFileReadResult checked = CDataFile::Check(source, hint);
            EXPECT_EQ(checked.damaged, expected.damaged);
            EXPECT_EQ(checked.damageOffset, expected.damageOffset);
            EXPECT_EQ(checked.projectsRead, expected.projectsRead);
            EXPECT_EQ(checked.periodsRead, expected.periodsRead);
            EXPECT_EQ(checked.password, expected.password);
        }
    }
}

} // namespace
