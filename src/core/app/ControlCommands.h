#pragma once

#include "core/app/ControlExit.h"
#include "core/app/ControlProtocol.h"

#include <functional>
#include <string>
#include <vector>

class ControlTarget;

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
