#include "core/app/NoPrompts.h"

MessageAnswer CNoPrompts::Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                              MessageButtons buttons, bool owned,
                              std::optional<MessageAnswer> defaultAnswer) {
    (void)caption;
    (void)text;
    (void)icon;
    (void)owned;
    if (defaultAnswer)
        return *defaultAnswer;
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        return MessageAnswer::Cancel;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    }
    return MessageAnswer::Ok;
}

std::optional<std::string> CNoPrompts::AskNotes(const std::string& project,
                                                const std::string& notes) {
    (void)project;
    return notes;
}

Prompts& CNoPrompts::Instance() {
    static CNoPrompts none;
    return none;
}
