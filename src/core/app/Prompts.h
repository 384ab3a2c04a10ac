#pragma once

#include <optional>
#include <string>

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
    virtual MessageAnswer Ask(const std::string& caption, const std::string& text,
                              MessageIcon icon, MessageButtons buttons, bool owned = true) = 0;
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
};
