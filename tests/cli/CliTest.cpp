#include "CliProcess.h"

#include "core/data/DataFile.h"
#include "core/data/Password.h"
#include "core/data/Store.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#ifndef _WIN32
#include <unistd.h>
#endif

namespace {

void AddProject(CStore& store, const std::string& name, std::uint32_t dollars = 0,
                std::uint8_t cents = 0) {
    auto task = std::make_unique<CTask>(name);
    task->SetRate(dollars, cents);
    store.AppendTask(std::move(task));
}

void AddPeriod(CStore& store, const std::string& project, std::int32_t start, std::int32_t end,
               const std::string& notes = {}) {
    auto period = std::make_unique<CDoneTask>(project, notes);
    period->SetStart(start);
    period->SetEnd(end);
    store.AppendDoneTask(std::move(period));
}

// Two projects and `periods` periods of Web, an hour each.
std::string SmallFile(int periods) {
    CStore store;
    AddProject(store, "Admin");
    AddProject(store, "Web", 25, 50);
    for (int i = 0; i < periods; ++i)
        AddPeriod(store, "Web", 1136192400 + i * 7200, 1136196000 + i * 7200, "call");
    return CDataFile::Write(store, {}, 0);
}

// --- check ----------------------------------------------------------------------------

TEST(CliCheck, GoodDamagedAndUnreadableFiles) {
    TempDir dir;
    const std::string full = SmallFile(3);
    // The third period starts where a file of two periods ends (only the count differs).
    const std::size_t thirdStart = SmallFile(2).size();

    struct Case {
        const char* name;
        std::string bytes; // written to the file unless `missing`
        bool missing;
        int exitCode;
        std::string outHas;
        std::string errHas;
    };
    const std::vector<Case> cases = {
        {"good", full, false, 0, "reads completely; 2 projects, 3 periods", ""},
        {"cut in third period", full.substr(0, thirdStart + 7), false, 1, "",
         "read before the damage: 2 projects, 2 periods"},
        {"empty file", "", false, 1, "",
         "damaged at byte 0; read before the damage: 0 projects, 0 periods"},
        {"missing", "", true, 2, "", "no such file"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::string path = dir / (std::string(c.name) + ".pnd");
        if (!c.missing)
            WriteBytes(path, c.bytes);
        const CliRun run = RunCli({"check", path});
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
        if (c.errHas.empty()) {
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
            EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
            // One line, nothing else.
            EXPECT_EQ(run.err.find('\n'), run.err.size() - 1) << run.err;
        }
        if (c.exitCode != 0) {
            EXPECT_EQ(run.out, "");
        }
    }
}

TEST(CliCheck, DamageLineGivesTheReadersOffset) {
    TempDir dir;
    const std::string full = SmallFile(3);
    const std::size_t thirdStart = SmallFile(2).size();
    // A null tag where the third period's class tag belongs.
    std::string bytes = full;
    bytes[thirdStart] = 0;
    bytes[thirdStart + 1] = 0;
    CStore store;
    const DataFileReadResult expected = CDataFile::Read(bytes, store);
    ASSERT_TRUE(expected.damaged);
    ASSERT_EQ(expected.damageOffset, thirdStart);

    const std::string path = dir / "tag.pnd";
    WriteBytes(path, bytes);
    const CliRun run = RunCli({"check", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_EQ(run.err, "punchwell-cli: " + path + ": damaged at byte " +
                           std::to_string(thirdStart) +
                           "; read before the damage: 2 projects, 2 periods\n");
}

TEST(CliCheck, UnreadablePathsAreFileErrors) {
    TempDir dir;
    const std::string locked = dir / "locked.pnd";
    WriteBytes(locked, SmallFile(1));
    std::filesystem::permissions(locked, std::filesystem::perms::none);
    std::vector<std::string> paths = {dir.Path()}; // a folder is not a data file
#ifndef _WIN32
    if (geteuid() != 0) // root reads it anyway; Windows has no bits that stop reads
        paths.push_back(locked);
#endif
    for (const std::string& path : paths) {
        SCOPED_TRACE(path);
        const CliRun run = RunCli({"check", path});
        EXPECT_EQ(run.exitCode, 2);
        EXPECT_NE(run.err.find(path), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
    }
}

// --- dump -----------------------------------------------------------------------------

TEST(CliDump, WritesEveryFieldInFileOrderWithEscapes) {
    CStore store;
    auto cafe = std::make_unique<CTask>("Caf\u00e9 \"Nord\"");
    cafe->SetRate(25, 50);
    cafe->SetFile("C:\\Docs\\plan.doc");
    cafe->SetFileUsed(1);
    cafe->SetReserved(7);
    store.AppendTask(std::move(cafe));
    AddProject(store, "Admin");
    // A quote, CR LF, a tab, a control character, text inside and outside Windows-1252.
    AddPeriod(store, "Caf\u00e9 \"Nord\"", 1136192400, 1136197800,
              "said \"done\"\r\nna\u00efve \u20ac\tx\x01 \u0142\U0001F600 back\\slash");
    auto running = std::make_unique<CDoneTask>("Admin", "");
    running->SetStart(-5);
    running->SetEnd(2147483647);
    running->SetRunningFlag(1);
    store.AppendDoneTask(std::move(running));
    auto deleted = std::make_unique<CDoneTask>("Gone", "");
    deleted->SetStart(100);
    deleted->SetEnd(50);
    deleted->MarkDeleted();
    store.AppendDoneTask(std::move(deleted));

    TempDir dir;
    const std::string path = dir / "small.pnd";
    WriteBytes(path, CDataFile::Write(store, ScramblePassword("pw"), 1));

    const CliRun run = RunCli({"dump", path});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(run.out,
              "{\n"
              "  \"password_set\": true,\n"
              "  \"locked\": 1,\n"
              "  \"damaged\": false,\n"
              "  \"projects\": [\n"
              "    {\"name\":\"Caf\u00e9 \\\"Nord\\\"\",\"reserved\":7,\"dollars\":25,"
              "\"cents\":50,\"use_file\":1,\"file\":\"C:\\\\Docs\\\\plan.doc\"},\n"
              "    {\"name\":\"Admin\",\"reserved\":0,\"dollars\":0,\"cents\":0,"
              "\"use_file\":0,\"file\":\"\"}\n"
              "  ],\n"
              "  \"periods\": [\n"
              "    {\"project\":\"Caf\u00e9 \\\"Nord\\\"\",\"notes\":\"said \\\"done\\\"\\r\\n"
              "na\u00efve \u20ac\\tx\\u0001 \u0142\U0001F600 back\\\\slash\",\"start\":1136192400,"
              "\"end\":1136197800,\"running\":0,\"deleted\":0},\n"
              "    {\"project\":\"Admin\",\"notes\":\"\",\"start\":-5,\"end\":2147483647,"
              "\"running\":1,\"deleted\":0},\n"
              "    {\"project\":\"Gone\",\"notes\":\"\",\"start\":100,\"end\":50,"
              "\"running\":0,\"deleted\":1}\n"
              "  ]\n"
              "}\n");
}

TEST(CliDump, WorkedExampleFixture) {
    const CliRun run = RunCli({"dump", PUNCHWELL_FIXTURES_DIR "/example.pnd"});
    EXPECT_EQ(run.exitCode, 0);
    EXPECT_EQ(run.out, "{\n"
                       "  \"password_set\": false,\n"
                       "  \"locked\": 0,\n"
                       "  \"damaged\": false,\n"
                       "  \"projects\": [\n"
                       "    {\"name\":\"Admin\",\"reserved\":0,\"dollars\":0,\"cents\":0,"
                       "\"use_file\":0,\"file\":\"\"},\n"
                       "    {\"name\":\"Web\",\"reserved\":0,\"dollars\":25,\"cents\":50,"
                       "\"use_file\":0,\"file\":\"\"}\n"
                       "  ],\n"
                       "  \"periods\": [\n"
                       "    {\"project\":\"Web\",\"notes\":\"\",\"start\":1136192400,"
                       "\"end\":1136197800,\"running\":0,\"deleted\":0}\n"
                       "  ]\n"
                       "}\n");
}

// Texts a file can hold that are not plain Unicode still come out as valid UTF-8 JSON.
TEST(CliDump, LoneSurrogatesAndControlBytesAreEscaped) {
    const std::string task = std::string("\xFF\xFF\x02\x00\x05\x00", 6) + "CTask";
    // Reserved, dollars, cents and use-file, all zero.
    const std::string rest(11, '\0');
    // Name: the 16-bit form with one lone high surrogate. File: bytes 81 and 9D, which map to C1
    // controls.
    const std::string bytes = std::string("\0\0\0\x01\x00", 5) + task +
                              std::string("\xFF\xFE\xFF\x01\x00\xD8", 6) + rest +
                              std::string("\x02\x81\x9D\x00\x00", 5);
    TempDir dir;
    const std::string path = dir / "odd.pnd";
    WriteBytes(path, bytes);
    const CliRun run = RunCli({"dump", path});
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_NE(run.out.find("{\"name\":\"\\ud800\",\"reserved\":0,\"dollars\":0,\"cents\":0,"
                           "\"use_file\":0,\"file\":\"\\u0081\\u009d\"}"),
              std::string::npos)
        << run.out;
}

TEST(CliDump, DamagedFileDumpsWhatWasRead) {
    TempDir dir;
    const std::string path = dir / "cut.pnd";
    WriteBytes(path, SmallFile(3).substr(0, SmallFile(2).size() + 3));
    const CliRun run = RunCli({"dump", path});
    EXPECT_EQ(run.exitCode, 1);
    EXPECT_NE(run.out.find("\"damaged\": true"), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("{\"name\":\"Web\""), std::string::npos) << run.out;
    // Exactly the two complete periods.
    std::size_t periods = 0;
    for (auto at = run.out.find("\"project\":"); at != std::string::npos;
         at = run.out.find("\"project\":", at + 1))
        ++periods;
    EXPECT_EQ(periods, 2u);
    EXPECT_NE(run.err.find("read before the damage: 2 projects, 2 periods"), std::string::npos)
        << run.err;
}

// --- which file, and usage ------------------------------------------------------------

TEST(CliDataFile, DefaultsToTheMainDataFile) {
    TempDir dir;
#ifdef _WIN32
    // Windows keeps the data in %APPDATA%.
    const std::string xdgFile = dir / "appdata/Quillmoor/Punchwell/timedata.pnd";
    const std::string xdg = dir / "appdata";
    const char* const kBase = "APPDATA";
#else
    const std::string xdgFile = dir / "xdg/Quillmoor/Punchwell/timedata.pnd";
    const std::string xdg = dir / "xdg";
    const char* const kBase = "XDG_DATA_HOME";
#endif
    const std::string homeFile = dir / "home/.local/share/Quillmoor/Punchwell/timedata.pnd";
    const std::string switchFile = dir / "switch/timedata.pnd";
    const std::string operandFile = dir / "other.pnd";
    for (const std::string& file : {xdgFile, homeFile, switchFile, operandFile})
        WriteBytes(file, SmallFile(1));
    const std::string home = dir / "home";
    const std::string switchDir = dir / "switch";

    struct Case {
        std::vector<std::string> arguments;
        std::map<std::string, std::optional<std::string>> environment;
        std::string expectedFile;
    };
    std::vector<Case> cases = {
        {{"check"}, {{kBase, xdg}, {"HOME", home}}, xdgFile},
        {{"--data-dir", switchDir, "check"}, {{kBase, xdg}}, switchFile},
        {{"check", "--data-dir", switchDir}, {{kBase, xdg}}, switchFile},
        {{"dump", "--data-dir=" + switchDir}, {{kBase, xdg}}, switchFile},
        {{"check", "--data-dir", switchDir, operandFile}, {}, operandFile},
    };
#ifndef _WIN32
    cases.push_back({{"check"}, {{"XDG_DATA_HOME", std::nullopt}, {"HOME", home}}, homeFile});
    cases.push_back({{"check"}, {{"XDG_DATA_HOME", "relative/dir"}, {"HOME", home}}, homeFile});
#endif
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.back() + " expecting " + c.expectedFile);
        // The file named is the one opened: remove it and the same run must fail.
        const CliRun good = RunCli(c.arguments, c.environment);
        EXPECT_EQ(good.exitCode, 0) << good.err;
        const std::string moved = c.expectedFile + ".away";
        std::filesystem::rename(c.expectedFile, moved);
        const CliRun gone = RunCli(c.arguments, c.environment);
        std::filesystem::rename(moved, c.expectedFile);
        EXPECT_EQ(gone.exitCode, 2);
        EXPECT_NE(gone.err.find(c.expectedFile), std::string::npos) << gone.err;
    }
}

TEST(CliUsage, HelpAndUsageErrors) {
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
        std::string outHas; // help goes to stdout
        std::string errHas; // errors go to stderr
    };
    const std::vector<Case> cases = {
        {{"--help"}, 0, "Usage: punchwell-cli", ""},
        {{"-h"}, 0, "dump", ""},
        {{"check", "--help"}, 0, "Usage: punchwell-cli check [OPTIONS] [FILE]", ""},
        {{"dump", "-h", "extra", "operands"}, 0, "Usage: punchwell-cli dump", ""},
        {{"--version"}, 0, "punchwell-cli ", ""},
        {{}, 2, "", "no command given"},
        {{"frobnicate"}, 2, "", "unknown command 'frobnicate'"},
        {{"--bogus", "check"}, 2, "", "unknown option '--bogus'"},
        {{"check", "--bogus"}, 2, "", "check: unknown option '--bogus'"},
        {{"dump", "-x"}, 2, "", "unknown option '-x'"},
        {{"check", "a.pnd", "b.pnd"}, 2, "", "unexpected argument 'b.pnd'"},
        {{"check", "--data-dir"}, 2, "", "needs a value"},
        {{"check", "--help=yes"}, 2, "", "takes no value"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.arguments.empty() ? std::string("(none)") : c.arguments.front());
        const CliRun run = RunCli(c.arguments);
        EXPECT_EQ(run.exitCode, c.exitCode);
        if (c.exitCode == 0) {
            EXPECT_NE(run.out.find(c.outHas), std::string::npos) << run.out;
            EXPECT_EQ(run.err, "");
        } else {
            EXPECT_EQ(run.out, "");
            EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
            EXPECT_NE(run.err.find("--help"), std::string::npos) << run.err;
        }
    }
}

} // namespace
