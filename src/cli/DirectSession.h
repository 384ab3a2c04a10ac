#pragma once

#include "cli/UserOptions.h"

#include "core/app/PunchwellSession.h"
#include "core/app/SessionControlTarget.h"

#include "core/platform/Clock.h"

#include <cstdint>
#include <memory>
#include <string>

// The session the control commands run on when no program runs: the data file read into a
// store of its own, the check-in state as the program would resume it, saves exactly as
// the program saves. Nobody is there to ask, so a check-out without notes given ends with
// none.
class CDirectSession {
public:
    explicit CDirectSession(const std::string& dataDirectory);
    CDirectSession(const CDirectSession&) = delete;
    CDirectSession& operator=(const CDirectSession&) = delete;

    // Reads the data file (a missing one is an empty store) and resumes a running period up
    // to now. kControlOk, else the exit code with `error` set.
    int Load(std::string& error);

    ControlTarget& Target() { return m_target; }
    // "Now" as given on the command line instead of the system clock; before Load.
    void SetNow(std::int32_t now);

private:
    CUserOptionsStorage m_options;
    CPunchwellSession m_session;
    CSessionControlTarget m_target{m_session, false};
    std::unique_ptr<FixedClock> m_fixedClock;
};
