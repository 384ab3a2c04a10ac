#pragma once

#include "core/app/ControlTarget.h"

class CPunchwellSession;

// The control commands' target: a session, the running program's or the one the command
// line builds on the data file. The session's command gate decides what may run; a dialog
// of the program (or a check-in waiting for the person) holds the data as well.
class CSessionControlTarget final : public ControlTarget {
public:
    // `personPresent`: someone can answer the Notes dialog (the running program).
    CSessionControlTarget(CPunchwellSession& session, bool personPresent)
        : m_session(session), m_bPersonPresent(personPresent) {}

    CPunchwellApp& App() override;
    CCheckIn& CheckIn() override;
    CPeriodEditor& PeriodEditor() override;
    ControlRefusal Refusal() const override;
    bool CanAskPerson() const override { return m_bPersonPresent; }
    void Changed() override;
    std::optional<std::int64_t> IdleSeconds() const override;

private:
    CPunchwellSession& m_session;
    bool m_bPersonPresent;
};
