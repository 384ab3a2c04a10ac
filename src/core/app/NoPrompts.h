#pragma once

#include "core/app/Prompts.h"

// The prompts of a program with nobody at the keyboard (the cli working on the data file
// alone): nothing is shown, every question gets the answer that changes nothing, every
// dialog is cancelled, and the Notes dialog counts as left empty, so a check-out ends
// without notes instead of not at all.
class CNoPrompts final : public Prompts {
public:
    MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                      MessageButtons buttons, bool owned = true,
                      std::optional<MessageAnswer> defaultAnswer = std::nullopt) override;
    std::optional<std::string> AskNotes(const std::string& project,
                                        const std::string& notes) override;

    // The one instance every app starts with.
    static Prompts& Instance();
};
