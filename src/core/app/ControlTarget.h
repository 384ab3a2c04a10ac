#pragma once

#include <cstdint>
#include <optional>
#include <string>

class CCheckIn;
class CPeriodEditor;
class CPunchwellApp;

// Why a control command may not touch the data right now.
enum class ControlRefusal {
    None,
    Locked,     // the program is locked (or the data file says it was)
    DialogOpen, // one of the program's own dialogs holds the data
};

// What the control commands work on: the running program's state, or the one the command
// line builds on the data file when no program runs. Both run the same commands with the
// same rules; only where the state lives differs.
class ControlTarget {
public:
    virtual ~ControlTarget() = default;
    virtual CPunchwellApp& App() = 0;
    virtual CCheckIn& CheckIn() = 0;
    // The rules of corrections, holding the last one for undo.
    virtual CPeriodEditor& PeriodEditor() = 0;
    // The command gate: what may run now.
    virtual ControlRefusal Refusal() const = 0;
    // True in the running program: a check-out without notes given asks for them as the
    // program always does. Without a program nobody is there to ask.
    virtual bool CanAskPerson() const = 0;
    // A command changed the check-in state; windows redraw at once.
    virtual void Changed() = 0;
    // Seconds since the person's last input, when the desktop tells the program.
    virtual std::optional<std::int64_t> IdleSeconds() const { return std::nullopt; }
};
