#include "core/app/ProgramLock.h"
#include "core/app/PunchwellApp.h"
#include "core/app/PunchwellSession.h"
#include "core/data/Password.h"
#include "support/CoreTestSupport.h"
#include "support/FakePrompts.h"
#include "support/SessionProbe.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <map>
#include <string>
#include <vector>

using coretest::TempDir;

namespace {

class RecordingOptions final : public OptionsStorage {
public:
    std::map<std::string, std::int64_t> ints;
    bool ReadInt(const std::string& name, std::int64_t& value) override {
        const auto it = ints.find(name);
        if (it == ints.end())
            return false;
        value = it->second;
        return true;
    }
    bool ReadString(const std::string&, std::string&) override { return false; }
    void WriteInt(const std::string& name, std::uint32_t value) override { ints[name] = value; }
    void WriteString(const std::string&, const std::string&) override {}
};

// Records what the lock told the windows, with the flag as it was then.
class RecordingView final {
public:
    explicit RecordingView(const CPunchwellApp& app) : m_app(app) {}
    std::vector<std::string> calls;
    CProgramLock::Notify Notifier() {
        return [this](const SessionChanges& c) {
            if (c.locked)
                Record("hide");
            if (c.unlocked)
                Record("show");
            if (c.released)
                Record("release");
        };
    }

private:
    void Record(const char* what) {
        calls.push_back(std::string(what) + (m_app.LockFlag() ? " locked" : " unlocked"));
    }
    const CPunchwellApp& m_app;
};

struct OnDisk {
    bool exists = false;
    std::uint16_t locked = 0;
    std::string password;
};

class ProgramLock : public testing::Test {
protected:
    void SetUp() override {
        app.SetPrompts(prompts);
        app.SetOptionsStorage(options);
    }
    // What the main data file holds now, read the way the next start reads it.
    OnDisk Disk() const {
        CPunchwellApp again(dir.path().string());
        OnDisk disk;
        disk.exists = again.DataFileExists();
        again.LoadData();
        disk.locked = again.LockFlag();
        disk.password = again.GetPassword();
        return disk;
    }
    void SetPasswordAndSave(const std::string& plain) {
        app.SetPassword(plain);
        ASSERT_TRUE(app.SaveData());
    }

    TempDir dir;
    CPunchwellApp app{dir.path().string()};
    FakePrompts prompts;
    RecordingOptions options;
    RecordingView view{app};
    CProgramLock lock{app, view.Notifier()};
};

const std::vector<std::string> kLocked = {"hide locked"};
// Held requests go on only once the unlock is over.
const std::vector<std::string> kUnlocked = {"show unlocked", "release unlocked"};

TEST_F(ProgramLock, WithoutPasswordEveryWayBackStaysUnlockedAndSavesNothing) {
    struct Case {
        const char* name;
        MessageAnswer setNow;
        std::optional<std::string> newPassword; // asked only after Yes
        bool toldCannotLock;
    };
    const Case cases[] = {
        {"No to setting one", MessageAnswer::No, std::nullopt, true},
        {"New Password cancelled", MessageAnswer::Yes, std::nullopt, false},
        {"empty password confirmed", MessageAnswer::Yes, std::string(), true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        FakePrompts script;
        app.SetPrompts(script);
        script.Expect("Set Program Password?",
                      "Before locking the program, you must first set the program password. "
                      "Would you like to set it now?",
                      MessageIcon::Question, MessageButtons::YesNo, c.setNow, true);
        if (c.setNow == MessageAnswer::Yes)
            script.ExpectNewPassword(c.newPassword);
        if (c.toldCannotLock)
            script.Expect("Action Cancelled",
                          "You cannot lock the program until you set the program password from "
                          "the configuration dialog.",
                          MessageIcon::Information, MessageButtons::Ok, MessageAnswer::Ok);
        EXPECT_FALSE(lock.ToggleLock(false));
        EXPECT_EQ(app.LockFlag(), 0);
        EXPECT_EQ(app.ScrambledPassword(), "");
        EXPECT_TRUE(view.calls.empty());
        EXPECT_FALSE(Disk().exists);
        EXPECT_TRUE(script.allAnswered());
        app.SetPrompts(prompts);
    }
}

TEST_F(ProgramLock, PasswordSetOnTheSpotIsSavedBeforeTheConfirmationAndOutlivesNo) {
    prompts.Expect("Set Program Password?", std::nullopt, MessageIcon::Question,
                   MessageButtons::YesNo, MessageAnswer::Yes);
    prompts.ExpectNewPassword("Pa55");
    prompts.Expect("Password Set", "The password has been set. Don't forget it!", MessageIcon::None,
                   MessageButtons::Ok, MessageAnswer::Ok);
    prompts.ExpectConfirmLock(false, true, [&] {
        EXPECT_EQ(prompts.shown().size(), 2u) << "Password Set comes before the confirmation";
        const OnDisk disk = Disk();
        EXPECT_EQ(disk.password, "Pa55");
        // Not locked yet: declining now must not leave a lock in the file.
        EXPECT_EQ(disk.locked, 0);
        EXPECT_EQ(app.LockFlag(), 0);
    });
    EXPECT_FALSE(lock.ToggleLock(false));
    EXPECT_EQ(app.GetPassword(), "Pa55");
    EXPECT_EQ(app.LockFlag(), 0);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_TRUE(options.ints.empty()) << "No writes no options";
    EXPECT_EQ(Disk().locked, 0);
}

TEST_F(ProgramLock, PasswordSetOnTheSpotThenYesLocks) {
    prompts.Expect("Set Program Password?", std::nullopt, MessageIcon::Question,
                   MessageButtons::YesNo, MessageAnswer::Yes);
    prompts.ExpectNewPassword("Pa55");
    prompts.Expect("Password Set", std::nullopt, MessageIcon::None, MessageButtons::Ok,
                   MessageAnswer::Ok);
    prompts.ExpectConfirmLock(true, true);
    EXPECT_TRUE(lock.ToggleLock(false));
    EXPECT_EQ(view.calls, kLocked);
    EXPECT_EQ(Disk().locked, 1);
    EXPECT_EQ(Disk().password, "Pa55");
}

TEST_F(ProgramLock, ClearingAskAgainTurnsRemindLockOffForTheNextLock) {
    SetPasswordAndSave("secret");
    prompts.ExpectConfirmLock(true, false);
    EXPECT_TRUE(lock.ToggleLock(false));
    EXPECT_EQ(app.GetOptions().m_bRemindLock, 0);
    EXPECT_EQ(options.ints.at("Remind Lock"), 0) << "written at once";
    EXPECT_EQ(view.calls, kLocked);
    EXPECT_EQ(Disk().locked, 1);

    prompts.ExpectEnterPassword("secret", true);
    EXPECT_TRUE(lock.ToggleLock(false));
    // No confirmation this time: straight to hiding the window.
    EXPECT_TRUE(lock.ToggleLock(false));
    EXPECT_EQ(prompts.dialogLog(),
              (std::vector<std::string>{"Lock Program (ask again)", "Enter The Password"}));
    EXPECT_EQ(app.LockFlag(), 1);
}

TEST_F(ProgramLock, NoAtTheConfirmationStaysUnlockedAndKeepsTheOption) {
    SetPasswordAndSave("secret");
    prompts.ExpectConfirmLock(false, false);
    EXPECT_FALSE(lock.ToggleLock(false));
    EXPECT_EQ(app.LockFlag(), 0);
    EXPECT_EQ(app.GetOptions().m_bRemindLock, 1);
    EXPECT_TRUE(options.ints.empty());
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(Disk().locked, 0);
}

TEST_F(ProgramLock, UnlockAsksUntilTheRightPasswordAndStaysLockedMeanwhile) {
    SetPasswordAndSave("secret");
    app.Options().m_bRemindLock = 0;
    ASSERT_TRUE(lock.ToggleLock(false));
    view.calls.clear();

    // Cancel: still locked, nothing shown.
    prompts.ExpectEnterPassword("secret", false, [&] { EXPECT_EQ(app.LockFlag(), 1); });
    EXPECT_FALSE(lock.ToggleLock(false));
    EXPECT_EQ(app.LockFlag(), 1);
    EXPECT_TRUE(view.calls.empty());
    EXPECT_EQ(Disk().locked, 1);

    // The silent flag does not skip the password.
    prompts.ExpectEnterPassword("secret", true, [&] {
        EXPECT_EQ(app.LockFlag(), 1) << "nothing reachable while the password is asked";
    });
    EXPECT_TRUE(lock.ToggleLock(true));
    EXPECT_EQ(view.calls, kUnlocked);
    EXPECT_EQ(Disk().locked, 0);
}

TEST_F(ProgramLock, SilentRelockAsksNothingButNeedsAPassword) {
    // Remind Lock is on, yet the start-up relock asks nothing.
    SetPasswordAndSave("secret");
    EXPECT_TRUE(lock.ToggleLock(true));
    EXPECT_EQ(view.calls, kLocked);
    EXPECT_EQ(Disk().locked, 1);
    EXPECT_TRUE(prompts.shown().empty());

    // A file that says locked but holds no password: nothing to unlock with, so no lock.
    TempDir other;
    CPunchwellApp bare(other.path().string());
    FakePrompts none;
    bare.SetPrompts(none);
    RecordingView bareView(bare);
    CProgramLock bareLock(bare, bareView.Notifier());
    EXPECT_FALSE(bareLock.ToggleLock(true));
    EXPECT_EQ(bare.LockFlag(), 0);
    EXPECT_TRUE(bareView.calls.empty());
}

TEST_F(ProgramLock, ASecondToggleWhileTheFirstAsksIsRefused) {
    SetPasswordAndSave("secret");
    prompts.ExpectConfirmLock(true, true, [&] {
        EXPECT_TRUE(lock.IsBusy());
        EXPECT_FALSE(lock.ToggleLock(false));
        EXPECT_FALSE(lock.ToggleLock(true));
    });
    EXPECT_TRUE(lock.ToggleLock(false));
    EXPECT_FALSE(lock.IsBusy());
    EXPECT_EQ(view.calls, kLocked);
    prompts.ExpectEnterPassword("secret", true, [&] { EXPECT_FALSE(lock.ToggleLock(false)); });
    EXPECT_TRUE(lock.ToggleLock(false));
    EXPECT_EQ(app.LockFlag(), 0);
}

TEST_F(ProgramLock, EveryBytePasswordSurvivesSaveAndReloadAndUnlocks) {
    // Byte 256 - i at position i scrambles to 0; the stored string is length-prefixed, so
    // it holds those zeros like any other byte.
    std::string toZero = "x"; // at position 0 only byte 0 itself would
    std::string every;
    for (int i = 1; i < 256; ++i)
        toZero += static_cast<char>(256 - i);
    for (int i = 0; i < 256; ++i)
        every += static_cast<char>(i);
    const std::string stored = ScramblePassword(toZero);
    ASSERT_EQ(std::count(stored.begin(), stored.end(), '\0'), 255);
    for (const std::string& password : {toZero, every, std::string("\x01", 1)}) {
        SCOPED_TRACE(password.size());
        app.Options().m_bRemindLock = 0;
        SetPasswordAndSave(password);
        ASSERT_TRUE(lock.ToggleLock(false));
        const OnDisk disk = Disk();
        EXPECT_EQ(disk.password, password);
        EXPECT_EQ(disk.locked, 1);
        prompts.ExpectEnterPassword(password, true);
        EXPECT_TRUE(lock.ToggleLock(false));
    }
}

TEST_F(ProgramLock, ALockedFileRelocksAtTheFirstPollOfALaterSecondOnceNoWindowIsOpen) {
    SetPasswordAndSave("secret");
    constexpr std::int32_t kNow = 1700000000;
    app.SetLockFlag(1);
    lock.ArmRelockIfLocked(kNow);
    EXPECT_EQ(app.LockFlag(), 0);
    EXPECT_TRUE(lock.IsRelockPending());
    lock.PollRelock(kNow, false);
    EXPECT_TRUE(view.calls.empty()) << "not within the second it was armed";

    // Another window is open: the relock waits for it, however late.
    lock.PollRelock(kNow + 1, true);
    lock.PollRelock(kNow + 60, true);
    EXPECT_TRUE(lock.IsRelockPending());
    EXPECT_TRUE(view.calls.empty());
    lock.PollRelock(kNow + 60, false);
    EXPECT_EQ(view.calls, kLocked);
    EXPECT_FALSE(lock.IsRelockPending());
    EXPECT_EQ(Disk().locked, 1);
    EXPECT_TRUE(prompts.shown().empty()) << "a relock asks nothing";
    lock.PollRelock(kNow + 61, false);
    EXPECT_EQ(view.calls, kLocked);

    // Not locked: nothing armed.
    prompts.ExpectEnterPassword("secret", true);
    ASSERT_TRUE(lock.ToggleLock(false));
    lock.ArmRelockIfLocked(kNow);
    EXPECT_FALSE(lock.IsRelockPending());

    // Locked without a password: the relock finds nothing to lock with and lets go.
    TempDir other;
    CPunchwellApp bare(other.path().string());
    RecordingView bareView(bare);
    CProgramLock bareLock(bare, bareView.Notifier());
    bare.SetLockFlag(1);
    bareLock.ArmRelockIfLocked(kNow);
    bareLock.PollRelock(kNow + 1, false);
    EXPECT_EQ(bareView.calls, std::vector<std::string>{"release unlocked"});
}

// A start of a program saved locked locks at once, before anything is on screen: no project
// list is offered and nothing is asked.
TEST(ProgramLockStart, DataSavedLockedLocksAtStartWithoutTheProjectList) {
    TempDir dir;
    CPunchwellSession session(dir.path().string());
    CPunchwellApp& app = session.App();
    FakePrompts prompts; // nothing queued: any question fails the test
    app.SetPrompts(prompts);
    auto task = std::make_unique<CTask>("Alpha");
    app.Store().AddTask(task);
    app.Options().m_bShowListOnStart = 1;
    app.SetPassword("secret");
    app.SetLockFlag(1); // as the data file said
    SessionProbe probe(session);
    session.Start();
    EXPECT_TRUE(session.State().locked);
    EXPECT_EQ(probe.locks, 1) << "the window is sent away at once";
    EXPECT_TRUE(prompts.dialogLog().empty()) << "no project list before the password";
}

} // namespace
