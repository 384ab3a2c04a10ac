#pragma once

#include "core/app/DatedBackups.h"
#include "core/app/LoadMethod.h"
#include "core/data/Task.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

enum class MessageIcon { None, Stop, Exclamation, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// An open or save file dialog. `filter` is in the desktop's form, entries separated by ";;"
// ("Punchwell Data Files (*.pnd);;All Files (*)"); `defaultSuffix` is added to a typed name
// that has none.
struct FileDialogRequest {
    std::string caption;
    std::string filter;
    std::string defaultSuffix;
    std::string initialName;
};

// How the core asks the person at the keyboard. The desktop implements it with real
// dialogs; tests implement it with a scripted fake. Texts are UTF-8.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box. `owned` is false for the start-up boxes shown before any window exists.
    // `defaultAnswer` is the button Enter presses; without one it is the first button. A
    // question whose Yes destroys or replaces data makes the answer that changes nothing the
    // default, so a reflexive Enter loses nothing.
    virtual MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                              MessageButtons buttons, bool owned = true,
                              std::optional<MessageAnswer> defaultAnswer = std::nullopt) = 0;
    // The chosen file's full path, or empty when the person cancelled. A save dialog asks
    // before replacing an existing file.
    virtual std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) {
        (void)request;
        return std::nullopt;
    }
    virtual std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) {
        (void)request;
        return std::nullopt;
    }

    // The Notes dialog for a period of `project`, starting with `notes`: the notes typed, or
    // empty for Cancel. The dialog itself keeps its "show on check-out" check box.
    virtual std::optional<std::string> AskNotes(const std::string& project,
                                                const std::string& notes) {
        (void)project;
        (void)notes;
        return std::nullopt;
    }
    // The Select Project dialog, preselecting the first name that begins with `preselect`
    // (ignoring case): the chosen name after OK (empty when nothing was selected), or empty
    // for Cancel. With `firstWhenNoMatch` a list that would open without a selection selects
    // its first entry, so Enter chooses at once.
    virtual std::optional<std::string> SelectProject(const std::string& preselect,
                                                     bool firstWhenNoMatch = false) {
        (void)preselect;
        (void)firstWhenNoMatch;
        return std::nullopt;
    }
    // The Add A Project dialog: a new project with the values entered, or null for Cancel.
    // The dialog has already refused an empty name and one that exists.
    virtual std::unique_ptr<CTask> AddProject() { return nullptr; }
    // Opens a document or program the way the desktop opens it; false when it could not.
    virtual bool OpenWithShell(const std::string& path) {
        (void)path;
        return false;
    }

    // The New Password dialog (typed twice, an empty one only after its warning): the
    // password's bytes in plain form, or empty for Cancel.
    virtual std::optional<std::string> AskNewPassword() { return std::nullopt; }
    // The Enter The Password dialog, which stays open until `expected` (plain bytes) is typed
    // exactly or the person cancels: true for the right password.
    virtual bool AskPassword(const std::string& expected) {
        (void)expected;
        return false;
    }
    // The Lock Program confirmation; `askAgain` holds its check box, in and out. True for Yes.
    virtual bool ConfirmLock(bool& askAgain) {
        (void)askAgain;
        return false;
    }

    // The Load Data File dialog: how a data file joins the data, or nothing for Cancel.
    virtual std::optional<LoadMethod> ChooseLoadMethod(bool owned) {
        (void)owned;
        return std::nullopt;
    }
    // The merge's progress window: shown before the work, told of every step, then hidden.
    virtual void ShowProgress(bool owned) { (void)owned; }
    virtual void SetProgress(std::size_t done, std::size_t total) {
        (void)done;
        (void)total;
    }
    virtual void HideProgress() {}
    // Work the person waits for without a progress window (a wait cursor), on and off.
    virtual void ShowWaiting(bool waiting) { (void)waiting; }

    // The Restore From Backup dialog over the dated copies in `folder`, newest first: the
    // chosen copy, or nothing for Cancel. Copies that cannot be read cannot be chosen.
    virtual std::optional<DatedCopy> ChooseDatedCopy(const std::vector<DatedCopySummary>& copies,
                                                     const std::string& folder) {
        (void)copies;
        (void)folder;
        return std::nullopt;
    }
};
