#pragma once

#include <string>

enum class MessageIcon { None, Stop, Exclamation, Question, Information };
enum class MessageButtons { Ok, OkCancel, YesNo, YesNoCancel };
enum class MessageAnswer { Ok, Cancel, Yes, No };

// How the core asks the person at the keyboard. The desktop implements it with real
// dialogs; tests implement it with a scripted fake. Texts are UTF-8.
class Prompts {
public:
    virtual ~Prompts() = default;
    // A message box. `owned` is false for the start-up boxes shown before any window exists.
    virtual MessageAnswer Ask(const std::string& caption, const std::string& text,
                              MessageIcon icon, MessageButtons buttons, bool owned = true) = 0;
};
