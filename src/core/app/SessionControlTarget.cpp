#include "core/app/SessionControlTarget.h"

#include "core/app/PunchwellSession.h"

CPunchwellApp& CSessionControlTarget::App() {
    return m_session.App();
}

CCheckIn& CSessionControlTarget::CheckIn() {
    return m_session.CheckInState();
}

CPeriodEditor& CSessionControlTarget::PeriodEditor() {
    return m_session.PeriodEditor();
}

ControlRefusal CSessionControlTarget::Refusal() const {
    if (m_session.RefusesCommands())
        return ControlRefusal::Locked;
    // Time Records, a load or save of the data, Configure Projects, a message or the notes of a
    // check-out may be showing or changing the records: the command waits for the person to finish.
    if (m_session.CheckInState().IsBusy() || m_session.Load().IsBusy() ||
        m_session.OtherWindowOpen())
        return ControlRefusal::DialogOpen;
    return ControlRefusal::None;
}

void CSessionControlTarget::Changed() {
    m_session.Notify({.state = true});
}

std::optional<std::int64_t> CSessionControlTarget::IdleSeconds() const {
    return m_session.IdleSeconds();
}
