#pragma once

#include "core/app/PunchwellSession.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

// Listens to a session the way a window does and records what it was told.
class SessionProbe {
public:
    explicit SessionProbe(CPunchwellSession& session) : m_session(session) {
        m_id = session.Subscribe([this](const SessionChanges& c) { Record(c); });
    }
    ~SessionProbe() { m_session.Unsubscribe(m_id); }
    SessionProbe(const SessionProbe&) = delete;
    SessionProbe& operator=(const SessionProbe&) = delete;

    int updates = 0;       // state changes
    int fills = 0;         // project list changes
    int focus = 0;         // check-ins begun
    int locks = 0;         // the main window sent away
    int unlocks = 0;       // ... and brought back
    int releases = 0;      // held requests let go
    bool trayShown = true; // the tray icon as a window would show it
    int trayHides = 0;
    std::vector<std::string> pushed; // the elapsed text at every redraw of the texts

private:
    void Record(const SessionChanges& c) {
        const SessionState& state = m_session.State();
        if (c.dialog) {
            const bool shown = !state.dialogShown;
            EXPECT_NE(trayShown, shown) << "tray icon hidden or shown twice";
            trayShown = shown;
            if (!shown)
                ++trayHides;
        }
        fills += c.projects ? 1 : 0;
        focus += c.checkInBegan ? 1 : 0;
        locks += c.locked ? 1 : 0;
        unlocks += c.unlocked ? 1 : 0;
        releases += c.released ? 1 : 0;
        updates += c.state ? 1 : 0;
        if (c.state || c.texts)
            pushed.push_back(state.elapsedText);
    }

    CPunchwellSession& m_session;
    int m_id = 0;
};
