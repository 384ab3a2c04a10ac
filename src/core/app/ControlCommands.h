#pragma once

#include "core/app/ControlProtocol.h"

#include <functional>
#include <string>
#include <vector>

class ControlTarget;

// Exit codes of the control commands, the same whether the running program or the command
// line itself ran the command. 1 and 3 keep their meaning from the other cli commands.
enum ControlExit : int {
    kControlOk = 0,
    kControlDamaged = 1,    // the data file is damaged; nothing changed
    kControlUsage = 2,      // bad arguments, unknown or ambiguous project; nothing changed
    kControlBusy = 3,       // the data folder is held by a program that does not answer
    kControlLocked = 4,     // the program is locked; nothing changed
    kControlDialogOpen = 5, // a dialog of the program holds the data; nothing changed
    kControlSaveFailed = 6, // the change was made but the data file could not be written
    kControlCancelled = 7,  // the person cancelled the Notes dialog; still checked in
};

// The commands that drive the program from outside its windows: status, in, out, switch,
// toggle and projects, and the corrections add and edit. Each validates its request, asks the gate,
// runs the check-in commands of the core and answers with an exit code and a text (or JSON). Adding
// a command means one entry in the table of ControlCommands.cpp and a cli command that forwards it.
class CControlCommands {
public:
    using Handler = std::function<ControlReply(const ControlRequest&, ControlTarget&)>;
    struct Entry {
        std::string name;
        std::size_t minOperands;
        std::size_t maxOperands;
        std::vector<std::string> options; // options taking a value
        std::vector<std::string> flags;   // options without a value
        bool writes;                      // refused while the gate is shut
        Handler handler;
    };

    // Runs a request; an unknown command or bad arguments answer kControlUsage.
    static ControlReply Run(const ControlRequest& request, ControlTarget& target);
    static const std::vector<Entry>& Table();
    static const Entry* Find(const std::string& name);

    // Whether the command only reads (it answers even when a dialog of the program is open).
    static bool IsReadOnly(const std::string& name);
};
