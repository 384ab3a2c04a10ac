#include "CliProcess.h"

#include "core/data/DataFile.h"
#include "core/data/Password.h"
#include "core/data/Store.h"

#include <gtest/gtest.h>

#include <sys/stat.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <sstream>

namespace {

constexpr std::int32_t kMonday0900 = 1773061200; // 2026-03-09 09:00 EDT

const std::map<std::string, std::optional<std::string>> kEnv{{"TZ", "America/New_York"}};

std::string ReadBytes(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

void AddProject(CStore& store, const std::string& name, std::uint32_t dollars = 0) {
    auto task = std::make_unique<CTask>(name);
    task->SetRate(dollars, 0);
    store.AppendTask(std::move(task));
}

void AddPeriod(CStore& store, const std::string& project, std::int32_t start, std::int32_t end,
               const std::string& notes = {}) {
    auto period = std::make_unique<CDoneTask>(project, notes);
    period->SetStart(start);
    period->SetEnd(end);
    store.AppendDoneTask(std::move(period));
}

// One line per record, to compare a written file with what it should hold.
std::string Describe(const std::string& bytes, std::string* password = nullptr) {
    CStore store;
    const DataFileReadResult read = CDataFile::Read(bytes, store);
    std::ostringstream out;
    if (read.damaged)
        out << "DAMAGED\n";
    out << "locked " << read.locked << "\n";
    for (const auto& t : store.Tasks())
        out << t->GetName() << " $" << t->GetDollars() << "\n";
    for (const auto& p : store.DoneTasks())
        out << p->GetProject() << " " << p->GetStart() - kMonday0900 << ".."
            << p->GetEnd() - kMonday0900 << " \"" << p->GetNotes() << "\"\n";
    if (password)
        *password = UnscramblePassword(read.password);
    return out.str();
}

struct Files {
    TempDir dir;
    std::string base = dir / "base.pnd";
    std::string other = dir / "other.pnd";
    std::string out = dir / "out.pnd";
    std::string baseBytes;

    Files() {
        CStore mine;
        AddProject(mine, "Smith, Jones & Co", 25);
        AddProject(mine, "Admin");
        AddPeriod(mine, "Smith, Jones & Co", kMonday0900, kMonday0900 + 3600, "here");
        AddPeriod(mine, "Admin", kMonday0900 - 7200, kMonday0900 - 3600);
        baseBytes = CDataFile::Write(mine, "", 0);
        WriteBytes(base, baseBytes);

        CStore theirs;
        AddProject(theirs, "Smith, Jones & Co", 40);
        AddProject(theirs, "Design");
        AddPeriod(theirs, "Smith, Jones & Co", kMonday0900 + 1800, kMonday0900 + 5400, "there");
        AddPeriod(theirs, "Design", kMonday0900, kMonday0900 + 60);
        WriteBytes(other, CDataFile::Write(theirs, ScramblePassword("pw"), 1));
    }
};

TEST(CliExport, WritesTheTextExportToStdoutOrAFile) {
    Files f;
    const std::string expected = "Smith, Jones & Co,03/09/26 09:00:00,03/09/26 10:00:00\r\n"
                                 "Admin,03/09/26 07:00:00,03/09/26 08:00:00\r\n";
    CliRun run = RunCli({"export", f.base}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, expected);

    const std::string text = f.dir / "timedata.txt";
    run = RunCli({"export", f.base, "-o", text}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    EXPECT_EQ(ReadBytes(text), expected);

    // FILE defaults to the main data file of the data folder.
    WriteBytes(f.dir / "data/timedata.pnd", f.baseBytes);
    run = RunCli({"--data-dir", f.dir / "data", "export"}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, expected);
}

TEST(CliMerge, MergesEachOtherFileLikeMergeFiles) {
    Files f;
    CliRun run = RunCli({"merge", f.base, f.other, "-o", f.out}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(run.out, "");
    std::string password;
    // BASE's rate survives, the overlap joins with BASE's notes first, the lock flag and
    // (BASE having none) the password come from OTHER.
    EXPECT_EQ(Describe(ReadBytes(f.out), &password), "locked 1\n"
                                                     "Smith, Jones & Co $25\n"
                                                     "Admin $0\n"
                                                     "Design $0\n"
                                                     "Smith, Jones & Co 0..5400 \"here\nthere\"\n"
                                                     "Admin -7200..-3600 \"\"\n"
                                                     "Design 0..60 \"\"\n");
    EXPECT_EQ(password, "pw");

    // Into itself: one copy of everything, notes twice.
    run = RunCli({"merge", f.base, f.base, "--output", f.out}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(Describe(ReadBytes(f.out)), "locked 0\n"
                                          "Smith, Jones & Co $25\n"
                                          "Admin $0\n"
                                          "Smith, Jones & Co 0..3600 \"here\nhere\"\n"
                                          "Admin -7200..-3600 \"\"\n");

    // No OTHER: BASE written again as it is, overlaps inside it included.
    CStore overlapping;
    AddProject(overlapping, "Web");
    AddPeriod(overlapping, "Web", kMonday0900, kMonday0900 + 3600);
    AddPeriod(overlapping, "Web", kMonday0900 + 60, kMonday0900 + 120);
    const std::string bytes = CDataFile::Write(overlapping, ScramblePassword("x"), 1);
    WriteBytes(f.base, bytes);
    run = RunCli({"merge", f.base, "--output", f.out}, kEnv);
    EXPECT_EQ(run.exitCode, 0) << run.err;
    EXPECT_EQ(ReadBytes(f.out), bytes);
}

TEST(CliExportMerge, BadArgumentsAndBadFiles) {
    Files f;
    const std::string whole = ReadBytes(f.other);
    const std::string cut = f.dir / "cut.pnd";
    WriteBytes(cut, whole.substr(0, whole.size() - 3));
    const std::string missing = f.dir / "missing.pnd";
    const std::string text = f.dir / "out.txt";
    struct Case {
        std::vector<std::string> args;
        int exitCode;
        std::string errHas;
    };
    const std::vector<Case> cases = {
        {{"merge", f.base, f.other}, 2, "-o OUT (--output OUT) is required"},
        {{"merge", "--output", f.out}, 2, "missing argument"},
        {{"merge", f.base, missing, "--output", f.out}, 2, "cannot read " + missing},
        {{"merge", f.base, f.other, "--output", f.dir / "no/such/dir.pnd"},
         2,
         f.dir / "no/such/dir.pnd"},
        {{"merge", f.base, cut, "--output", f.out}, 1, "nothing written to " + f.out},
        {{"merge", cut, "--output", f.out}, 1, cut + ": damaged at byte"},
        {{"export", f.base, f.other}, 2, "unexpected argument"},
        {{"export", missing}, 2, "cannot read " + missing},
        {{"export", cut, "--output", text}, 1, "nothing exported"},
        {{"export", f.base, "--output", f.dir / "no/such/dir.txt"}, 2, f.dir / "no/such/dir.txt"},
    };
    for (const Case& c : cases) {
        std::string joined;
        for (const std::string& a : c.args)
            joined += " " + a;
        SCOPED_TRACE(joined);
        const CliRun run = RunCli(c.args, kEnv);
        EXPECT_EQ(run.exitCode, c.exitCode);
        EXPECT_NE(run.err.find(c.errHas), std::string::npos) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_FALSE(std::filesystem::exists(f.out));
        EXPECT_FALSE(std::filesystem::exists(text));
    }
}

} // namespace

namespace fs = std::filesystem;

namespace {

// Files for people follow the umask, so they can be shared; data files stay private.
TEST(CliFileModes, ReportsAndExportsFollowTheUmaskDataFilesStayPrivate) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits and no umask";
#else
    Files f;
    const mode_t old = ::umask(022);
    const std::string html = f.dir / "report.html";
    const std::string text = f.dir / "export.txt";
    const CliRun report =
        RunCli({"report", f.base, "--title", "T", "--all", "total", "-o", html}, kEnv);
    const CliRun exported = RunCli({"export", f.base, "-o", text}, kEnv);
    const CliRun merged = RunCli({"merge", f.base, "-o", f.out}, kEnv);
    ::umask(old);
    ASSERT_EQ(report.exitCode, 0) << report.err;
    ASSERT_EQ(exported.exitCode, 0) << exported.err;
    ASSERT_EQ(merged.exitCode, 0) << merged.err;
    const auto mode = [](const std::string& path) {
        return fs::status(path).permissions() & fs::perms::all;
    };
    using fs::perms;
    EXPECT_EQ(mode(html),
              perms::owner_read | perms::owner_write | perms::group_read | perms::others_read);
    EXPECT_EQ(mode(text), mode(html));
    EXPECT_EQ(mode(f.out), perms::owner_read | perms::owner_write);
#endif
}

} // namespace
