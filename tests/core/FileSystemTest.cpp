#include "core/platform/FileSystem.h"
#include "FaultyFileOps.h"
#include "core/platform/LargeBlock.h"
#include "core/platform/LocalTime.h"
#include "support/CoreTestSupport.h"

#include <gtest/gtest.h>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

#include <clocale>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <optional>
#include <ostream>
#include <thread>

using coretest::ReadFile;
using coretest::ScopedTimeZone;
using coretest::TempDir;
using coretest::WriteFile;

namespace fs = std::filesystem;

namespace {

#ifdef EDQUOT
constexpr int kQuotaFull = EDQUOT;
#else
constexpr int kQuotaFull = ENOSPC; // Windows reports a full quota as a full disk
#endif

std::size_t EntriesIn(const fs::path& dir) {
    std::size_t n = 0;
    for ([[maybe_unused]] const auto& e : fs::directory_iterator(dir))
        ++n;
    return n;
}

TEST(ReplaceFileDurably, ReplacesTheFileAndLeavesNothingBehind) {
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    WriteFile(path, "old contents");
    const std::string big(200000, 'z');
    const FileResult r = ReplaceFileDurably(path, big);
    ASSERT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadFile(path), big);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    const std::string fresh = dir.file("new.pnd");
    ASSERT_TRUE(ReplaceFileDurably(fresh, "").ok); // an empty file is still a file
    EXPECT_TRUE(fs::exists(fresh));
}

TEST(ReplaceFileDurably, EveryFailedStepKeepsTheOldFileWholeAndReportsIt) {
    struct Case {
        const char* what;
        void (*arrange)(FaultyFileOps&);
        const char* cause;
    };
    const Case cases[] = {
        {"cannot create the temporary file", [](FaultyFileOps& o) { o.createError = EACCES; },
         "Access to "},
        {"disk full after 100 bytes", [](FaultyFileOps& o) { o.failAfterBytes = 100; },
         "Disk full while accessing "},
        {"disk full at once", [](FaultyFileOps& o) { o.failAfterBytes = 0; },
         "Disk full while accessing "},
        {"sync fails", [](FaultyFileOps& o) { o.syncError = EIO; }, "error occurred"},
        {"close fails", [](FaultyFileOps& o) { o.closeError = kQuotaFull; },
         "Disk full while accessing "},
        {"rename fails", [](FaultyFileOps& o) { o.renameError = EPERM; }, "Access to "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        TempDir dir;
        const std::string path = dir.file("timedata.pnd");
        WriteFile(path, "the old file");
        FaultyFileOps ops;
        c.arrange(ops);
        const FileResult r = ReplaceFileDurably(path, std::string(5000, 'n'), ops);
        EXPECT_FALSE(r.ok);
        EXPECT_NE(r.message.find(path), std::string::npos) << r.message;
        EXPECT_NE(r.message.find(c.cause), std::string::npos) << r.message;
        EXPECT_EQ(ReadFile(path), "the old file");
        EXPECT_EQ(EntriesIn(dir.path()), 1u) << "temporary file left behind";
    }
    // A failed directory sync comes after the rename: the new data is there, but the save is
    // still not reported as safe.
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    FaultyFileOps ops;
    ops.syncDirectoryError = EIO;
    EXPECT_FALSE(ReplaceFileDurably(path, "new", ops).ok);
    EXPECT_EQ(ReadFile(path), "new");
}

// Windows refuses to replace a file another program has open (a virus scanner, an indexer,
// a backup tool); the save waits a little for it instead of failing at once.
TEST(ReplaceFileDurably, WaitsBrieflyForAProgramHoldingTheFile) {
#ifndef _WIN32
    GTEST_SKIP() << "only Windows refuses to replace an open file";
#else
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    WriteFile(path, "old");
    const std::wstring wide = fs::path(path).wstring();
    auto hold = [&] {
        // Shared for reading and writing but not for deletion, as such programs open files.
        return CreateFileW(wide.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                           OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    };
    HANDLE held = hold();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    std::thread release([held] {
        std::this_thread::sleep_for(std::chrono::milliseconds(120));
        CloseHandle(held);
    });
    const FileResult r = ReplaceFileDurably(path, "new");
    release.join();
    EXPECT_TRUE(r.ok) << r.message;
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // Held for good: the save gives up, says so and leaves the old file and no temporary one.
    held = hold();
    ASSERT_NE(held, INVALID_HANDLE_VALUE);
    const FileResult refused = ReplaceFileDurably(path, "newer");
    CloseHandle(held);
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(refused.message, "Access to " + path + " was denied.");
    EXPECT_EQ(ReadFile(path), "new");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
#endif
}

TEST(ReplaceFileDurably, RealFailures) {
    TempDir dir;
    // A directory in the way of the file: the rename cannot replace it.
    const std::string blocked = dir.file("timedata.pnd");
    fs::create_directory(blocked);
    WriteFile(fs::path(blocked) / "inside", "keep me");
    FileResult r = ReplaceFileDurably(blocked, "data");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find(blocked), std::string::npos) << r.message;
    EXPECT_EQ(ReadFile(fs::path(blocked) / "inside"), "keep me");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

    // A directory that does not exist.
    r = ReplaceFileDurably(dir.file("nowhere/timedata.pnd"), "data");
    EXPECT_FALSE(r.ok);
    EXPECT_NE(r.message.find("nowhere/timedata.pnd"), std::string::npos) << r.message;
}

#ifndef _WIN32
// The save runs in a child process without privileges when the tests run as root, since
// directory permissions stop nobody else's writes.
FileResult ReplaceAsUnprivilegedUser(const std::string& path, const std::string& bytes) {
    if (geteuid() != 0)
        return ReplaceFileDurably(path, bytes);
    int channel[2];
    if (pipe(channel) != 0)
        return FileResult::Failure("pipe failed");
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        if (setgid(65534) != 0 || setuid(65534) != 0)
            _exit(3);
        const FileResult r = ReplaceFileDurably(path, bytes);
        const ssize_t ignored = write(channel[1], r.message.data(), r.message.size());
        (void)ignored;
        _exit(r.ok ? 0 : 1);
    }
    close(channel[1]);
    std::string message;
    char buffer[512];
    for (ssize_t n; (n = read(channel[0], buffer, sizeof buffer)) > 0;)
        message.append(buffer, static_cast<std::size_t>(n));
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!WIFEXITED(status) || WEXITSTATUS(status) > 1)
        return FileResult::Failure("the unprivileged child could not run");
    return WEXITSTATUS(status) == 0 ? FileResult::Success() : FileResult::Failure(message);
}
#endif

TEST(ReplaceFileDurably, ReadOnlyDirectory) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows has no directory permission bits";
#else
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    WriteFile(path, "old");
    fs::permissions(dir.path(), fs::perms::owner_read | fs::perms::owner_exec |
                                    fs::perms::group_read | fs::perms::group_exec |
                                    fs::perms::others_read | fs::perms::others_exec);
    const FileResult r = ReplaceAsUnprivilegedUser(path, "new");
    fs::permissions(dir.path(), fs::perms::owner_all);
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Access to " + path + " was denied.");
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(EntriesIn(dir.path()), 1u);
#endif
}

#ifndef _WIN32
// Sets the process's umask for the scope of a test.
class ScopedUmask {
public:
    explicit ScopedUmask(mode_t mask) : m_old(::umask(mask)) {}
    ~ScopedUmask() { ::umask(m_old); }

private:
    mode_t m_old;
};
#endif

unsigned ModeOf(const std::string& path) {
    return static_cast<unsigned>(fs::status(path).permissions()) & 07777;
}

// A data file linked into another folder (a synced one, say) stays a link after a save.
TEST(ReplaceFileDurably, SavesThroughSymbolicLinks) {
#ifdef _WIN32
    GTEST_SKIP() << "links need a privilege on Windows and are not followed there";
#else
    TempDir data;
    TempDir synced;
    const std::string target = synced.file("real.pnd");
    WriteFile(target, "old");
    // Relative, and a chain of two links.
    fs::create_symlink(fs::relative(target, data.path()), data.path() / "hop.pnd");
    fs::create_symlink("hop.pnd", data.path() / "timedata.pnd");
    ASSERT_TRUE(ReplaceFileDurably(data.file("timedata.pnd"), "new").ok);
    EXPECT_TRUE(fs::is_symlink(data.path() / "timedata.pnd"));
    EXPECT_TRUE(fs::is_symlink(data.path() / "hop.pnd"));
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(EntriesIn(data.path()), 2u);
    EXPECT_EQ(EntriesIn(synced.path()), 1u);

    // A link whose target is not there yet: the target is created, the link kept.
    fs::create_symlink(synced.file("later.pnd"), data.path() / "tdbackup.pnd");
    ASSERT_TRUE(ReplaceFileDurably(data.file("tdbackup.pnd"), "backup").ok);
    EXPECT_TRUE(fs::is_symlink(data.path() / "tdbackup.pnd"));
    EXPECT_EQ(ReadFile(synced.file("later.pnd")), "backup");

    // A failed save through a link leaves no temporary file in the target's folder.
    FaultyFileOps ops;
    ops.failAfterBytes = 1;
    EXPECT_FALSE(ReplaceFileDurably(data.file("timedata.pnd"), "newer", ops).ok);
    EXPECT_EQ(ReadFile(target), "new");
    EXPECT_EQ(EntriesIn(synced.path()), 2u);
#endif
}

struct ModeCase {
    const char* name;
    std::optional<unsigned> existing; // the replaced file's mode, or none for a new file
    NewFileMode newMode;
    unsigned umask;
    unsigned expected;
};

std::ostream& operator<<(std::ostream& out, const ModeCase& c) {
    return out << c.name;
}

class ReplaceModes : public ::testing::TestWithParam<ModeCase> {};

TEST_P(ReplaceModes, AReplacedFileKeepsItsModeAndANewOneFollowsItsKind) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits and no umask";
#else
    const ModeCase& c = GetParam();
    TempDir dir;
    ScopedUmask mask(static_cast<mode_t>(c.umask));
    const std::string path = dir.file("file.pnd");
    if (c.existing) {
        WriteFile(path, "old");
        fs::permissions(path, static_cast<fs::perms>(*c.existing));
    }
    ASSERT_TRUE(ReplaceFileDurably(path, "new", SystemFileOps(), c.newMode).ok);
    EXPECT_EQ(ModeOf(path), c.expected) << std::oct << ModeOf(path);
    EXPECT_EQ(ReadFile(path), "new");
#endif
}

INSTANTIATE_TEST_SUITE_P(
    Files, ReplaceModes,
    ::testing::Values(
        ModeCase{"DataFileKeeps0640", 0640, NewFileMode::Private, 022, 0640},
        ModeCase{"DataFileKeeps0600", 0600, NewFileMode::Private, 0, 0600},
        ModeCase{"ReportKeeps0600", 0600, NewFileMode::ForPeople, 022, 0600},
        ModeCase{"NewDataFileIsPrivate", std::nullopt, NewFileMode::Private, 0, 0600},
        ModeCase{"NewReportUnderUmask022", std::nullopt, NewFileMode::ForPeople, 022, 0644},
        ModeCase{"NewReportUnderUmask077", std::nullopt, NewFileMode::ForPeople, 077, 0600},
        ModeCase{"NewReportUnderUmask002", std::nullopt, NewFileMode::ForPeople, 002, 0664}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(ReplaceFileDurably, ANewCopyTakesTheModeOfTheFileItCopies) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits and no umask";
#else
    TempDir dir;
    ScopedUmask mask(022);
    WriteFile(dir.file("timedata.pnd"), "data");
    fs::permissions(dir.file("timedata.pnd"), static_cast<fs::perms>(0640));
    ASSERT_TRUE(ReplaceFileDurably(dir.file("tdbackup.pnd"), "data", SystemFileOps(),
                                   NewFileMode::Private, dir.file("timedata.pnd"))
                    .ok);
    EXPECT_EQ(ModeOf(dir.file("tdbackup.pnd")), 0640u);
#endif
}

// Read-only is the person's choice, also for root (who could write it anyway).
TEST(ReplaceFileDurably, AFileWithoutWritePermissionIsNotReplaced) {
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    WriteFile(path, "old");
    fs::permissions(path, static_cast<fs::perms>(0444));
    const FileResult r = ReplaceFileDurably(path, "new");
    EXPECT_FALSE(r.ok);
    EXPECT_EQ(r.message, "Access to " + path + " was denied.");
    EXPECT_EQ(ReadFile(path), "old");
    EXPECT_EQ(ModeOf(path), 0444u);
    EXPECT_EQ(EntriesIn(dir.path()), 1u);

#ifndef _WIN32
    // The same through a link.
    fs::create_symlink(path, dir.path() / "link.pnd");
    EXPECT_FALSE(ReplaceFileDurably(dir.file("link.pnd"), "new").ok);
    EXPECT_EQ(ReadFile(path), "old");
#endif
}

TEST(ReplaceFileDurably, KeepsTheGroupWhereAllowed) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no group";
#else
    if (::geteuid() != 0)
        GTEST_SKIP() << "only root may give a file a group it is not in";
    TempDir dir;
    const std::string path = dir.file("timedata.pnd");
    WriteFile(path, "old");
    ASSERT_EQ(::chown(path.c_str(), static_cast<uid_t>(-1), 65534), 0);
    ::chmod(path.c_str(), 0640);
    ASSERT_TRUE(ReplaceFileDurably(path, "new").ok);
    struct stat st {};
    ASSERT_EQ(::stat(path.c_str(), &st), 0);
    EXPECT_EQ(st.st_gid, 65534u);
    EXPECT_EQ(st.st_mode & 0777, 0640u);
#endif
}

TEST(FileCopies, TakeTheModeOfTheirSource) {
#ifdef _WIN32
    GTEST_SKIP() << "Windows files have no mode bits and no umask";
#else
    TempDir dir;
    ScopedUmask mask(022);
    for (mode_t mode : {0600, 0640, 0644}) {
        const std::string from = dir.file("from" + std::to_string(mode));
        WriteFile(from, "password inside");
        fs::permissions(from, static_cast<fs::perms>(mode));
        const std::string to = from + ".copy";
        ASSERT_TRUE(CopyFileNoOverwrite(from, to).ok);
        EXPECT_EQ(ModeOf(to), mode) << std::oct << mode;
    }
#endif
}

TEST(FileErrors, Wording) {
    const std::string p = "/data/timedata.pnd";
    EXPECT_EQ(DescribeFileError(EACCES, p), "Access to /data/timedata.pnd was denied.");
    EXPECT_EQ(DescribeFileError(EPERM, p), "Access to /data/timedata.pnd was denied.");
    EXPECT_EQ(DescribeFileError(EROFS, p), "Access to /data/timedata.pnd was denied.");
    EXPECT_EQ(DescribeFileError(ENOSPC, p), "Disk full while accessing /data/timedata.pnd.");
    EXPECT_EQ(DescribeFileError(kQuotaFull, p), "Disk full while accessing /data/timedata.pnd.");
    EXPECT_EQ(DescribeFileError(EIO, p), "An error occurred while accessing /data/timedata.pnd: " +
                                             std::string(std::strerror(EIO)) + ".");
}

TEST(FileReading, MissingIsNotAnError) {
    TempDir dir;
    std::string bytes;
    std::string error;
    EXPECT_EQ(ReadWholeFile(dir.file("absent.pnd"), bytes, error), ReadStatus::Missing);
    EXPECT_EQ(ReadWholeFile(dir.file("absent/inner.pnd"), bytes, error), ReadStatus::Missing);
    EXPECT_FALSE(FileExists(dir.file("absent.pnd")));

    EXPECT_EQ(ReadWholeFile(dir.str(), bytes, error), ReadStatus::Error);
    EXPECT_NE(error.find(dir.str()), std::string::npos) << error;

    const std::string blob("\0\x01\xFF\r\n", 5);
    WriteFile(dir.file("x.pnd"), blob);
    EXPECT_EQ(ReadWholeFile(dir.file("x.pnd"), bytes, error), ReadStatus::Ok);
    EXPECT_EQ(bytes, blob);
    EXPECT_TRUE(FileExists(dir.file("x.pnd")));
}

TEST(LargeBlocks, EveryByteOfEachSizeIsUsableAndMovesWithTheBlock) {
    // Around the large-page size, where a block changes from the heap to a mapping of its own
    // that is trimmed to the page boundaries.
    constexpr std::size_t kPage = 2 * 1024 * 1024;
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{4096}, kPage - 1,
                                   kPage, kPage + 1, 5 * kPage + 3}) {
        SCOPED_TRACE(size);
        CLargeBlock block(size);
        ASSERT_EQ(block.Size(), size);
        ASSERT_NE(block.Data(), nullptr);
        const auto mark = [](std::size_t at) { return static_cast<char>(at * 7 + 1); };
        for (std::size_t at = 0; at < size; at += 4093)
            block.Data()[at] = mark(at);
        if (size != 0)
            block.Data()[size - 1] = mark(size - 1);

        CLargeBlock moved(std::move(block));
        EXPECT_EQ(block.Data(), nullptr);
        CLargeBlock target(kPage + 5);
        target = std::move(moved);
        ASSERT_EQ(target.Size(), size);
        for (std::size_t at = 0; at < size; at += 4093) {
            ASSERT_EQ(target.Data()[at], mark(at)) << at;
        }
        if (size != 0) {
            EXPECT_EQ(target.Data()[size - 1], mark(size - 1));
        }
    }
}

TEST(FileCopies, NeverOverwrite) {
    TempDir dir;
    WriteFile(dir.file("a"), "first");
    WriteFile(dir.file("b"), "second");
    EXPECT_FALSE(CopyFileNoOverwrite(dir.file("a"), dir.file("b")).ok);
    EXPECT_EQ(ReadFile(dir.file("b")), "second");
    EXPECT_TRUE(CopyFileNoOverwrite(dir.file("a"), dir.file("c")).ok);
    EXPECT_EQ(ReadFile(dir.file("c")), "first");
    EXPECT_EQ(ReadFile(dir.file("a")), "first");

    EXPECT_FALSE(RenameNoOverwrite(dir.file("a"), dir.file("b")).ok);
    EXPECT_EQ(ReadFile(dir.file("a")), "first");
    EXPECT_EQ(ReadFile(dir.file("b")), "second");
    EXPECT_TRUE(RenameNoOverwrite(dir.file("a"), dir.file("d")).ok);
    EXPECT_FALSE(FileExists(dir.file("a")));
    EXPECT_EQ(ReadFile(dir.file("d")), "first");
}

TEST(FilePaths, SplitAndJoin) {
    EXPECT_EQ(DirectoryOf("/a/b/timedata.pnd"), "/a/b");
    EXPECT_EQ(DirectoryOf("/timedata.pnd"), "/");
    EXPECT_EQ(DirectoryOf("timedata.pnd"), ".");
    EXPECT_EQ(FileNameOf("/a/b/timedata.pnd"), "timedata.pnd");
    EXPECT_EQ(FileNameOf("timedata.pnd"), "timedata.pnd");
    EXPECT_EQ(JoinPath("/a/b", "x.pnd"), "/a/b/x.pnd");
    EXPECT_EQ(JoinPath("/a/b/", "x.pnd"), "/a/b/x.pnd");
    EXPECT_EQ(JoinPath("", "x.pnd"), "x.pnd");
}

TEST(LocalTime, FollowsTheZoneAndItsDaylightSaving) {
    ScopedTimeZone tz("America/New_York");
    const std::int64_t start = 1136192400; // 2006-01-02 09:00:00 UTC
    const auto local = ToLocal(start);
    ASSERT_TRUE(local.has_value());
    EXPECT_EQ(local->year, 2006);
    EXPECT_EQ(local->month, 1);
    EXPECT_EQ(local->day, 2);
    EXPECT_EQ(local->hour, 4);
    EXPECT_EQ(local->weekday, 1);
    EXPECT_EQ(local->yearDay, 1);
    EXPECT_EQ(FromLocal(*local), start);
    EXPECT_EQ(FormatLocal(start, "%Y%m%d-%H%M%S"), "20060102-040000");

    // Summer time: 2021-07-01 12:00 EDT is 16:00 UTC.
    LocalDateTime summer;
    summer.year = 2021;
    summer.month = 7;
    summer.day = 1;
    summer.hour = 12;
    EXPECT_EQ(FromLocal(summer), 1625155200);
    // Fields out of range are normalised as mktime does: January 32nd is February 1st.
    LocalDateTime overflow;
    overflow.year = 2021;
    overflow.day = 32;
    const auto feb = ToLocal(*FromLocal(overflow));
    EXPECT_EQ(feb->month, 2);
    EXPECT_EQ(feb->day, 1);
}

// A process locale whose month and day names are German, built from a small definition,
// as a desktop in another language makes the GUI's process locale.
class GermanTimeLocale {
public:
#ifdef _WIN32
    // Windows knows the language by name.
    GermanTimeLocale() {
        m_active = std::setlocale(LC_ALL, "German_Germany.1252") != nullptr;
    }
    ~GermanTimeLocale() {
        std::setlocale(LC_ALL, "C");
    }
#else
    GermanTimeLocale() {
        const fs::path source = m_dir.path() / "de_TIME.def";
        WriteFile(source, R"(LC_CTYPE
copy "POSIX"
END LC_CTYPE
LC_COLLATE
copy "POSIX"
END LC_COLLATE
LC_MONETARY
copy "POSIX"
END LC_MONETARY
LC_NUMERIC
copy "POSIX"
END LC_NUMERIC
LC_TIME
abday "So";"Mo";"Di";"Mi";"Do";"Fr";"Sa"
day "Sonntag";"Montag";"Dienstag";"Mittwoch";"Donnerstag";"Freitag";"Samstag"
abmon "Jan";"Feb";"Mrz";"Apr";"Mai";"Jun";"Jul";"Aug";"Sep";"Okt";"Nov";"Dez"
mon "Januar";"Februar";"Maerz";"April";"Mai";"Juni";"Juli";"August";"September";"Oktober";"November";"Dezember"
d_t_fmt "%a %d %b %Y %T"
d_fmt "%d.%m.%Y"
t_fmt "%T"
am_pm "";""
t_fmt_ampm ""
END LC_TIME
LC_MESSAGES
copy "POSIX"
END LC_MESSAGES
)");
        // -c: the categories left out (paper, address, ...) are only warned about.
        const std::string command = "localedef -c -i '" + source.string() +
                                    "' -f ANSI_X3.4-1968 '" + (m_dir.path() / "de_TIME").string() +
                                    "' >/dev/null 2>&1";
        (void)std::system(command.c_str());
        const char* old = std::getenv("LOCPATH");
        m_oldPath = old ? std::optional<std::string>(old) : std::nullopt;
        setenv("LOCPATH", m_dir.path().c_str(), 1);
        m_active = std::setlocale(LC_ALL, "de_TIME") != nullptr;
    }
    ~GermanTimeLocale() {
        std::setlocale(LC_ALL, "C");
        if (m_oldPath)
            setenv("LOCPATH", m_oldPath->c_str(), 1);
        else
            unsetenv("LOCPATH");
    }
#endif
    bool Active() const {
        return m_active;
    }

private:
#ifndef _WIN32
    TempDir m_dir;
    std::optional<std::string> m_oldPath;
#endif
    bool m_active = false;
};

TEST(LocalTime, NamesAreEnglishWhateverTheProcessLocale) {
    ScopedTimeZone tz("UTC");
    const std::int64_t t = 1136192400; // Monday, 2006-01-02 09:00:00 UTC
    GermanTimeLocale german;
    ASSERT_TRUE(german.Active()) << "localedef could not build the test locale";
    // The locale is in force: the C runtime's own strftime speaks German now.
    std::tm tm{};
    const std::time_t tt = static_cast<std::time_t>(t);
#ifdef _WIN32
    gmtime_s(&tm, &tt);
#else
    gmtime_r(&tt, &tm);
#endif
    char buffer[64];
    ASSERT_GT(std::strftime(buffer, sizeof buffer, "%B", &tm), 0u);
    ASSERT_STREQ(buffer, "Januar");

    EXPECT_EQ(FormatLocal(t, "%B %d, %H:%M:%S"), "January 02, 09:00:00");
    EXPECT_EQ(FormatLocal(t, "%A %b"), "Monday Jan");
    EXPECT_EQ(FormatLocal(t, "%m/%d/%y"), "01/02/06");
}

TEST(LocalTime, OneSecondBefore1970IsATimeNotAnError) {
    ScopedTimeZone tz("UTC");
    LocalDateTime fields;
    fields.year = 1969;
    fields.month = 12;
    fields.day = 31;
    fields.hour = 23;
    fields.minute = 59;
    fields.second = 59;
    EXPECT_EQ(FromLocal(fields), -1);
    EXPECT_EQ(FormatLocal(0, ""), "");
}

} // namespace
