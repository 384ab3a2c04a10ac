#include "core/timing/IdleWatch.h"

#include "core/app/PunchwellApp.h"
#include "core/data/DoneTask.h"
#include "core/timing/CheckIn.h"
#include "core/timing/IdleSource.h"

#include <algorithm>
#include <limits>

CIdleWatch::CIdleWatch(CPunchwellApp& app, CCheckIn& checkIn) : m_app(app), m_checkIn(checkIn) {}

std::int64_t CIdleWatch::ThresholdSeconds() const {
    return static_cast<std::int64_t>(m_app.GetOptions().m_wIdleMinutes) * 60;
}

void CIdleWatch::Reset() {
    m_idleSeconds.reset();
    m_lastInput.reset();
    m_openStart.reset();
    m_waiting.clear();
}

void CIdleWatch::OnTick(std::int32_t now) {
    const std::int32_t previous = m_lastTick;
    m_lastTick = now;
    const std::int64_t threshold = ThresholdSeconds();
    if (threshold <= 0) {
        Reset();
        return;
    }
    if (previous != 0 && now < previous) {
        // The clock was set back: what was measured against the old time means nothing now.
        m_openStart.reset();
        m_lastInput.reset();
        m_lastReturn = std::min(m_lastReturn, now);
    }

    const bool woke = previous != 0 && static_cast<std::int64_t>(now) - previous > kSleepGapSeconds;
    if (woke) {
        // The wake is the return.
        Open(AwaySince(previous));
        Close(now);
    }

    m_idleSeconds.reset();
    if (m_source != nullptr)
        m_idleSeconds = m_source->IdleSeconds();
    if (m_idleSeconds && *m_idleSeconds >= 0) {
        const std::int64_t input = static_cast<std::int64_t>(now) - *m_idleSeconds;
        const auto lastInput = static_cast<std::int32_t>(
            std::max<std::int64_t>(input, std::numeric_limits<std::int32_t>::min()));
        if (m_openStart) {
            if (lastInput > m_inputAfter + kInputSlackSeconds)
                Close(lastInput);
        } else if (*m_idleSeconds >= threshold) {
            Open(lastInput);
        }
        m_lastInput = lastInput;
    }
    Prune();
}

void CIdleWatch::OnSleep(std::int32_t at) {
    if (ThresholdSeconds() <= 0)
        return;
    Open(AwaySince(at));
}

void CIdleWatch::OnWake(std::int32_t at) {
    // When the clock noticed the wake first, the time asleep is closed already.
    Close(at);
    m_lastTick = at;
    Prune();
}

std::int32_t CIdleWatch::AwaySince(std::int32_t sleep) const {
    // An input just before the sleep means the person was there until it began; an older
    // one, that they had left already.
    if (m_lastInput && *m_lastInput < sleep - kInputSlackSeconds)
        return *m_lastInput;
    return sleep;
}

void CIdleWatch::Open(std::int32_t start) {
    if (m_openStart)
        return;
    // Time already asked about (or found too short) is never counted twice.
    start = std::max(start, m_lastReturn);
    m_openStart = start;
    m_inputAfter = start;
}

void CIdleWatch::Close(std::int32_t end) {
    if (!m_openStart)
        return;
    const Spell spell{*m_openStart, std::max(end, *m_openStart)};
    m_openStart.reset();
    m_lastReturn = spell.end;
    if (static_cast<std::int64_t>(spell.end) - spell.start > ThresholdSeconds())
        m_waiting.push_back(spell);
}

std::optional<IdleQuestion> CIdleWatch::Concerning(const Spell& spell) const {
    const CDoneTask* period = m_checkIn.GetCurrentPeriod();
    if (!m_checkIn.IsCheckedIn() || period == nullptr)
        return std::nullopt;
    // Only the part inside the open period counts: a check-in made while nobody was at the
    // keyboard (from the command line, say) starts the time that is in question.
    const std::int32_t start = std::max(spell.start, period->GetStart());
    if (static_cast<std::int64_t>(spell.end) - start <= ThresholdSeconds())
        return std::nullopt;
    return IdleQuestion{period->GetProject(), start, spell.end};
}

void CIdleWatch::Prune() {
    // While another operation holds the period (the notes of a check-out, which may yet be
    // cancelled) nothing is decided.
    if (m_checkIn.IsBusy())
        return;
    while (!m_waiting.empty() && !Concerning(m_waiting.front()))
        m_waiting.pop_front();
}

bool CIdleWatch::MayAsk() const {
    return ThresholdSeconds() > 0 && m_app.LockFlag() == 0 && !m_checkIn.IsBusy() &&
           m_checkIn.IsCheckedIn();
}

std::optional<IdleQuestion> CIdleWatch::Question() const {
    if (!MayAsk())
        return std::nullopt;
    for (const Spell& spell : m_waiting)
        if (std::optional<IdleQuestion> question = Concerning(spell))
            return question;
    return std::nullopt;
}

bool CIdleWatch::Answer(IdleAnswer answer) {
    const std::optional<IdleQuestion> question = Question();
    if (!question)
        return false;
    // The spell asked about; found again by value afterwards, since the clock goes on
    // adding spells while the notes are open.
    const auto asked = std::find_if(m_waiting.begin(), m_waiting.end(),
                                    [this](const Spell& s) { return Concerning(s).has_value(); });
    const Spell spell = *asked;

    switch (answer) {
    case IdleAnswer::Keep:
        break;
    case IdleAnswer::DiscardAndContinue:
        if (!m_checkIn.DiscardIdleTime(question->start, question->end))
            return false;
        break;
    case IdleAnswer::DiscardAndCheckOut:
        if (!m_checkIn.DiscardIdleTime(question->start, std::nullopt))
            return false;
        break;
    }

    const auto done = std::find_if(m_waiting.begin(), m_waiting.end(), [&spell](const Spell& s) {
        return s.start == spell.start && s.end == spell.end;
    });
    if (done != m_waiting.end())
        m_waiting.erase(m_waiting.begin(), done + 1);
    Prune();
    return true;
}
