#pragma once

#include "core/app/Prompts.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

// Scripted answers to the core's questions. Every prompt is recorded; a prompt nobody
// queued, one that differs from what was queued, or a queued answer the buttons do not
// offer fails the running test.
class FakePrompts final : public Prompts {
public:
    struct Shown {
        std::string caption;
        std::string text;
        MessageIcon icon;
        MessageButtons buttons;
        bool owned;
        std::optional<MessageAnswer> defaultAnswer;
    };
    struct Expected {
        std::string caption;
        std::optional<std::string> text; // exact text; unchecked when empty
        MessageIcon icon;
        MessageButtons buttons;
        MessageAnswer answer;
        std::optional<bool> owned;
        // The button Enter presses; unchecked when empty.
        std::optional<MessageAnswer> defaultAnswer;
    };

    ~FakePrompts() override {
        for (const Expected& e : m_queue)
            ADD_FAILURE() << "expected prompt never shown: " << e.caption;
        if (!m_files.empty())
            ADD_FAILURE() << m_files.size() << " expected file dialog(s) never shown";
        for (const DialogAnswer& d : m_dialogs)
            ADD_FAILURE() << "expected " << d.kind << " dialog never shown";
        for (const OpenAnswer& o : m_opens)
            ADD_FAILURE() << "expected the desktop to open " << o.path;
    }

    FakePrompts& Expect(Expected e) {
        m_queue.push_back(std::move(e));
        return *this;
    }
    FakePrompts& Expect(std::string caption, std::optional<std::string> text, MessageIcon icon,
                        MessageButtons buttons, MessageAnswer answer,
                        std::optional<bool> owned = std::nullopt) {
        return Expect(
            Expected{std::move(caption), std::move(text), icon, buttons, answer, owned, {}});
    }

    MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                      MessageButtons buttons, bool owned,
                      std::optional<MessageAnswer> defaultAnswer) override {
        m_shown.push_back({caption, text, icon, buttons, owned, defaultAnswer});
        if (defaultAnswer) {
            EXPECT_TRUE(Offers(buttons, *defaultAnswer))
                << "the default is not one of the buttons of " << caption;
        }
        if (m_queue.empty()) {
            ADD_FAILURE() << "unexpected prompt \"" << caption << "\": " << text;
            return Offers(buttons, MessageAnswer::Cancel) ? MessageAnswer::Cancel
                   : Offers(buttons, MessageAnswer::No)   ? MessageAnswer::No
                                                          : MessageAnswer::Ok;
        }
        Expected e = std::move(m_queue.front());
        m_queue.pop_front();
        EXPECT_EQ(e.caption, caption) << "text: " << text;
        if (e.text) {
            EXPECT_EQ(*e.text, text) << "caption: " << caption;
        }
        EXPECT_EQ(static_cast<int>(e.icon), static_cast<int>(icon)) << "icon of " << caption;
        EXPECT_EQ(static_cast<int>(e.buttons), static_cast<int>(buttons))
            << "buttons of " << caption;
        if (e.owned) {
            EXPECT_EQ(*e.owned, owned) << "owner of " << caption;
        }
        if (e.defaultAnswer) {
            EXPECT_TRUE(defaultAnswer == e.defaultAnswer) << "default button of " << caption;
        }
        EXPECT_TRUE(Offers(buttons, e.answer))
            << "queued answer is not one of the buttons of " << caption;
        return e.answer;
    }

    // File dialogs: the path chosen, or empty for Cancel. Every request is recorded.
    FakePrompts& ExpectOpenFile(std::optional<std::string> answer) {
        m_files.push_back({false, std::move(answer)});
        return *this;
    }
    FakePrompts& ExpectSaveFile(std::optional<std::string> answer) {
        m_files.push_back({true, std::move(answer)});
        return *this;
    }
    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override {
        return ChooseFile(false, request);
    }
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override {
        return ChooseFile(true, request);
    }
    const std::vector<FileDialogRequest>& fileRequests() const { return m_fileRequests; }

    // The program's own dialogs, answered in the order queued. `during` runs while the
    // dialog is "open", so a test can move the clock or try another command meanwhile.
    // Notes: the text typed, or empty for Cancel; `project` is the caption's project.
    FakePrompts& ExpectNotes(std::string project, std::optional<std::string> answer,
                             std::function<void()> during = {}) {
        DialogAnswer d{"Notes", std::move(project), std::move(answer), {}, std::move(during)};
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Select Project: the name to preselect, and the chosen name or empty for Cancel.
    FakePrompts& ExpectSelectProject(std::string preselect, std::optional<std::string> answer,
                                     std::function<void()> during = {}) {
        DialogAnswer d{
            "Select Project", std::move(preselect), std::move(answer), {}, std::move(during)};
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Add A Project: the project entered, or empty for Cancel.
    FakePrompts& ExpectAddProject(std::optional<CTask> answer) {
        DialogAnswer d{"Add A Project", {}, std::nullopt, std::move(answer), {}};
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // New Password: the password's bytes, or empty for Cancel.
    FakePrompts& ExpectNewPassword(std::optional<std::string> answer,
                                   std::function<void()> during = {}) {
        DialogAnswer d{"New Password", {}, std::move(answer), {}, std::move(during)};
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Enter The Password: the password it must be given to expect, and whether the person
    // ends it with the right one (true) or Cancel (false).
    FakePrompts& ExpectEnterPassword(std::string expected, bool right,
                                     std::function<void()> during = {}) {
        DialogAnswer d{"Enter The Password", std::move(expected), {}, {}, std::move(during)};
        d.accepted = right;
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Lock Program: Yes (true) or No, and the check box's state when the person answers.
    FakePrompts& ExpectConfirmLock(bool yes, bool askAgain, std::function<void()> during = {}) {
        DialogAnswer d{"Lock Program", {}, {}, {}, std::move(during)};
        d.accepted = yes;
        d.askAgain = askAgain;
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Load Data File: the method chosen, or empty for Cancel; `owned` as the window's.
    FakePrompts& ExpectLoadMethod(std::optional<LoadMethod> answer, bool owned = true) {
        DialogAnswer d{"Load Data File", {}, {}, {}, {}};
        d.method = answer;
        d.owned = owned;
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    // Restore From Backup: the date of the copy chosen, or empty for Cancel. The copies the
    // dialog was given are kept for the test to look at.
    FakePrompts& ExpectDatedCopy(std::optional<BackupDate> date) {
        DialogAnswer d{"Restore From Backup", {}, {}, {}, {}};
        d.date = date;
        m_dialogs.push_back(std::move(d));
        return *this;
    }
    FakePrompts& ExpectOpenWithShell(std::string path, bool opens) {
        m_opens.push_back({std::move(path), opens});
        return *this;
    }

    std::optional<std::string> AskNotes(const std::string& project,
                                        const std::string& notes) override {
        m_dialogLog.push_back("Notes For " + project);
        EXPECT_TRUE(notes.empty()) << "notes given to a new Notes dialog: " << notes;
        DialogAnswer d;
        if (!NextDialog("Notes", d))
            return std::nullopt;
        EXPECT_EQ(d.subject, project) << "project of the Notes dialog";
        if (d.during)
            d.during();
        return d.text;
    }
    std::optional<std::string> SelectProject(const std::string& preselect,
                                             bool firstWhenNoMatch) override {
        m_dialogLog.push_back("Select Project: " + preselect +
                              (firstWhenNoMatch ? " (else the first)" : ""));
        DialogAnswer d;
        if (!NextDialog("Select Project", d))
            return std::nullopt;
        EXPECT_EQ(d.subject, preselect) << "preselected name";
        if (d.during)
            d.during();
        return d.text;
    }
    std::unique_ptr<CTask> AddProject() override {
        m_dialogLog.push_back("Add A Project");
        DialogAnswer d;
        if (!NextDialog("Add A Project", d) || !d.project)
            return nullptr;
        return std::make_unique<CTask>(*d.project);
    }
    std::optional<std::string> AskNewPassword() override {
        m_dialogLog.push_back("New Password");
        DialogAnswer d;
        if (!NextDialog("New Password", d))
            return std::nullopt;
        if (d.during)
            d.during();
        return d.text;
    }
    bool AskPassword(const std::string& expected) override {
        m_dialogLog.push_back("Enter The Password");
        DialogAnswer d;
        if (!NextDialog("Enter The Password", d))
            return false;
        EXPECT_EQ(d.subject, expected) << "password the dialog expects";
        if (d.during)
            d.during();
        return d.accepted;
    }
    bool ConfirmLock(bool& askAgain) override {
        m_dialogLog.push_back(askAgain ? "Lock Program (ask again)" : "Lock Program");
        DialogAnswer d;
        if (!NextDialog("Lock Program", d))
            return false;
        if (d.during)
            d.during();
        if (d.accepted)
            askAgain = d.askAgain;
        return d.accepted;
    }
    std::optional<LoadMethod> ChooseLoadMethod(bool owned) override {
        m_dialogLog.push_back("Load Data File");
        DialogAnswer d;
        if (!NextDialog("Load Data File", d))
            return std::nullopt;
        EXPECT_EQ(d.owned, owned) << "owner of the Load Data File dialog";
        return d.method;
    }
    std::optional<DatedCopy> ChooseDatedCopy(const std::vector<DatedCopySummary>& copies,
                                             const std::string& folder) override {
        m_dialogLog.push_back("Restore From Backup");
        m_datedCopies = copies;
        m_datedFolder = folder;
        DialogAnswer d;
        if (!NextDialog("Restore From Backup", d) || !d.date)
            return std::nullopt;
        for (const DatedCopySummary& summary : copies) {
            if (summary.copy.date == *d.date) {
                EXPECT_TRUE(summary.readable) << "a copy that cannot be read was chosen";
                return summary.copy;
            }
        }
        ADD_FAILURE() << "no copy of " << *d.date << " was offered";
        return std::nullopt;
    }
    const std::vector<DatedCopySummary>& datedCopies() const { return m_datedCopies; }
    const std::string& datedFolder() const { return m_datedFolder; }

    // The progress window: "progress" on, a step count while shown, "progress off".
    void ShowProgress(bool owned) override {
        (void)owned;
        EXPECT_FALSE(m_progressShown) << "progress window shown twice";
        m_progressShown = true;
        m_dialogLog.push_back("progress");
    }
    void SetProgress(std::size_t done, std::size_t total) override {
        EXPECT_TRUE(m_progressShown) << "progress without its window";
        EXPECT_LE(done, total);
        ++m_progressSteps;
    }
    void HideProgress() override {
        EXPECT_TRUE(m_progressShown);
        m_progressShown = false;
        m_dialogLog.push_back("progress off");
    }
    int progressSteps() const { return m_progressSteps; }

    bool OpenWithShell(const std::string& path) override {
        m_dialogLog.push_back("open " + path);
        if (m_opens.empty()) {
            ADD_FAILURE() << "unexpected open of " << path;
            return false;
        }
        OpenAnswer o = std::move(m_opens.front());
        m_opens.pop_front();
        EXPECT_EQ(o.path, path);
        return o.opens;
    }
    // Every dialog shown and every open, in order ("Notes For Alpha", "open /x").
    const std::vector<std::string>& dialogLog() const { return m_dialogLog; }

    const std::vector<Shown>& shown() const { return m_shown; }
    bool allAnswered() const {
        return m_queue.empty() && m_files.empty() && m_dialogs.empty() && m_opens.empty();
    }

    static bool Offers(MessageButtons buttons, MessageAnswer answer) {
        switch (buttons) {
        case MessageButtons::Ok:
            return answer == MessageAnswer::Ok;
        case MessageButtons::OkCancel:
            return answer == MessageAnswer::Ok || answer == MessageAnswer::Cancel;
        case MessageButtons::YesNo:
            return answer == MessageAnswer::Yes || answer == MessageAnswer::No;
        case MessageButtons::YesNoCancel:
            return answer == MessageAnswer::Yes || answer == MessageAnswer::No ||
                   answer == MessageAnswer::Cancel;
        }
        return false;
    }

private:
    struct DialogAnswer {
        std::string kind;
        std::string subject;
        std::optional<std::string> text;
        std::optional<CTask> project;
        std::function<void()> during;
        bool accepted = false; // Enter The Password, Lock Program: OK or Yes
        bool askAgain = true;  // Lock Program's check box
        std::optional<LoadMethod> method = std::nullopt; // Load Data File
        bool owned = true;                               // Load Data File
        std::optional<BackupDate> date = std::nullopt;   // Restore From Backup
    };
    struct OpenAnswer {
        std::string path;
        bool opens;
    };
    bool NextDialog(const std::string& kind, DialogAnswer& out) {
        if (m_dialogs.empty()) {
            ADD_FAILURE() << "unexpected " << kind << " dialog";
            return false;
        }
        out = std::move(m_dialogs.front());
        m_dialogs.pop_front();
        EXPECT_EQ(out.kind, kind) << "dialogs shown in another order than queued";
        return out.kind == kind;
    }

    std::deque<DialogAnswer> m_dialogs;
    std::vector<DatedCopySummary> m_datedCopies;
    std::string m_datedFolder;
    bool m_progressShown = false;
    int m_progressSteps = 0;
    std::deque<OpenAnswer> m_opens;
    std::vector<std::string> m_dialogLog;
    struct FileAnswer {
        bool save;
        std::optional<std::string> path;
    };
    std::optional<std::string> ChooseFile(bool save, const FileDialogRequest& request) {
        m_fileRequests.push_back(request);
        if (m_files.empty()) {
            ADD_FAILURE() << "unexpected file dialog \"" << request.caption << "\"";
            return std::nullopt;
        }
        FileAnswer answer = std::move(m_files.front());
        m_files.pop_front();
        EXPECT_EQ(answer.save, save) << "open and save dialogs mixed up: " << request.caption;
        return answer.path;
    }

    std::deque<FileAnswer> m_files;
    std::vector<FileDialogRequest> m_fileRequests;
    std::deque<Expected> m_queue;
    std::vector<Shown> m_shown;
};
