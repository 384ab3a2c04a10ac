#pragma once

#include "core/timing/IdleQuestion.h"

#include <optional>
#include <string>

// What the program looks like right now, for the windows that show it. A copy taken after
// every change; nothing in it points into the session.
struct SessionState {
    bool checkedIn = false;
    std::string project; // the open period's project; empty when checked out
    std::string elapsedText;
    std::string checkedInText;
    std::string checkedOutText;
    bool locked = false;
    // A check-in operation waits for the person (notes, a project choice, a message).
    bool busy = false;
    // The notes or the project choice of a check-in operation is open; the notification-area
    // icon steps aside meanwhile.
    bool dialogShown = false;
    // The command gate: while it is set, no command may reach the program's data.
    bool refusesCommands = false;
    // Time away to ask about now; empty when there is none or it must wait (locked, the
    // gate shut, another operation holding the period).
    std::optional<IdleQuestion> idleQuestion;
};

// What one "changed" notification says. Redraw from the snapshot; the event flags say what
// happened on the way, for what a snapshot cannot show (a focus move, a window to hide).
struct SessionChanges {
    bool state = false;        // check-in, lock or gate: redraw everything
    bool texts = false;        // only the three texts (elapsed, checked in at, checked out at)
    bool projects = false;     // the project list changed: fill it again
    bool dialog = false;       // dialogShown changed
    bool checkInBegan = false; // a period was just opened
    bool locked = false;       // the program was just locked: the main window goes away
    bool unlocked = false;     // the program was just unlocked: the main window comes back
    bool released = false;     // requests held while locked may go on now
    bool idle = false;         // the idle question came, changed or went
};
