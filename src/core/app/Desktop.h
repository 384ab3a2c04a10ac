#pragma once

// What the core may ask about the desktop's windows. The base class is the answer of a
// program without windows (the command line), so the port is never missing.
class Desktop {
public:
    virtual ~Desktop() = default;
    // Another window of the program than the main window is open (a dialog, a message):
    // a lock would leave it on screen, and a load would change the records it shows.
    virtual bool OtherWindowOpen() const { return false; }
};
