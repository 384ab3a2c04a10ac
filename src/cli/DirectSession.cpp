#include "cli/DirectSession.h"

#include "core/app/ControlCommands.h"
#include "core/platform/Clock.h"

CDirectSession::CDirectSession(const std::string& dataDirectory) : m_session(dataDirectory) {
    m_session.App().SetOptionsStorage(m_options);
    m_session.App().ReadOptions();
}

void CDirectSession::SetNow(std::int32_t now) {
    m_fixedClock = std::make_unique<FixedClock>(now);
    m_session.App().SetClock(m_fixedClock.get());
}

int CDirectSession::Load(std::string& error) {
    CPunchwellApp& app = m_session.App();
    const LoadOutcome outcome = app.LoadData();
    if (outcome.unreadable) {
        error = "cannot read the data file: " + outcome.errorMessage + " Nothing was changed.";
        return kControlUsage;
    }
    if (outcome.read.damaged) {
        // The program keeps a copy and falls back to the backup; that is its decision to make.
        error = "the data file " + app.GetDataPath() +
                " is damaged; start Punchwell to deal with it. Nothing was changed.";
        return kControlDamaged;
    }
    // With no prompts the start-up offers no list: a running period is resumed, and its end
    // follows the clock up to now, as the program's first tick does.
    CCheckIn& checkIn = m_session.CheckInState();
    checkIn.ResumeOrOfferList();
    if (checkIn.IsCheckedIn())
        checkIn.OnTick(app.GetClock().Now());
    return kControlOk;
}
