#pragma once

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
