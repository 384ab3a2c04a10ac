#pragma once

#include "app/Prompts.h"

#include <gtest/gtest.h>

#include <deque>
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
    };
    struct Expected {
        std::string caption;
        std::optional<std::string> text; // exact text; unchecked when empty
        MessageIcon icon;
        MessageButtons buttons;
        MessageAnswer answer;
        std::optional<bool> owned;
    };

    ~FakePrompts() override {
        for (const Expected& e : m_queue)
            ADD_FAILURE() << "expected prompt never shown: " << e.caption;
        if (!m_files.empty())
            ADD_FAILURE() << m_files.size() << " expected file dialog(s) never shown";
    }

    FakePrompts& Expect(Expected e) {
        m_queue.push_back(std::move(e));
        return *this;
    }
    FakePrompts& Expect(std::string caption, std::optional<std::string> text, MessageIcon icon,
                        MessageButtons buttons, MessageAnswer answer,
                        std::optional<bool> owned = std::nullopt) {
        return Expect(Expected{std::move(caption), std::move(text), icon, buttons, answer, owned});
    }

    MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                      MessageButtons buttons, bool owned) override {
        m_shown.push_back({caption, text, icon, buttons, owned});
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

    const std::vector<Shown>& shown() const { return m_shown; }
    bool allAnswered() const { return m_queue.empty() && m_files.empty(); }

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
