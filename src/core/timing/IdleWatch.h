#pragma once

#include "core/timing/IdleQuestion.h"

#include <cstdint>
#include <deque>
#include <optional>

class CCheckIn;
class CPunchwellApp;
class IdleSource;

// Notices time away from the computer while checked in, and asks about it on return.
//
// Fed once a second with the wall clock, it sees two kinds of absence:
// - sleep: the clock jumped ahead by more than a minute between two ticks (or the desktop
//   said the computer is going to sleep); the time away begins at the last tick before the
//   jump, or earlier when the person had already left, and ends at the wake;
// - idleness: the idle source reports no input for at least the threshold; the time away
//   begins at the last input and ends at the next one.
// A time away longer than the threshold ("IdleMinutes"; 0 switches all of this off) that
// overlaps the open period becomes a question. Questions wait while the program is locked
// or another operation holds the open period; several wait in order, each answered against
// the state the earlier answers left. An answer depends only on the question, never on
// when it is given.
class CIdleWatch {
public:
    // A longer gap between two ticks is sleep.
    static constexpr std::int32_t kSleepGapSeconds = 60;
    // Idle readings are whole seconds taken at whole-second ticks: a last input computed
    // from them wobbles by this much without any input.
    static constexpr std::int32_t kInputSlackSeconds = 2;

    CIdleWatch(CPunchwellApp& app, CCheckIn& checkIn);
    CIdleWatch(const CIdleWatch&) = delete;
    CIdleWatch& operator=(const CIdleWatch&) = delete;

    // Null: only sleep is noticed.
    void SetSource(IdleSource* source) { m_source = source; }
    bool HasSource() const { return m_source != nullptr; }

    // The clock, once for every new second.
    void OnTick(std::int32_t now);
    // The desktop says the computer goes to sleep now, or has woken.
    void OnSleep(std::int32_t at);
    void OnWake(std::int32_t at);

    // The question to show now; empty when there is none or it must wait.
    std::optional<IdleQuestion> Question() const;
    // Applies the answer to the question Question() gives. Discarding asks for the notes as
    // a check-out does; false when they were cancelled (the question stays) or when there
    // was no question to answer.
    bool Answer(IdleAnswer answer);

    // The last reading of the idle source; empty when there is none.
    std::optional<std::int64_t> IdleSeconds() const { return m_idleSeconds; }

private:
    struct Spell {
        std::int32_t start = 0;
        std::int32_t end = 0;
    };

    std::int64_t ThresholdSeconds() const;
    bool MayAsk() const;
    // The spell as it concerns the open period (its start no earlier than the period's),
    // when it is long enough to ask about.
    std::optional<IdleQuestion> Concerning(const Spell& spell) const;
    // When the person left, for a sleep that began at `sleep`.
    std::int32_t AwaySince(std::int32_t sleep) const;
    void Open(std::int32_t start);
    void Close(std::int32_t end);
    // Drops waiting spells that no longer concern the open period.
    void Prune();
    void Reset();

    CPunchwellApp& m_app;
    CCheckIn& m_checkIn;
    IdleSource* m_source = nullptr;

    std::int32_t m_lastTick = 0;
    std::optional<std::int64_t> m_idleSeconds;
    std::optional<std::int32_t> m_lastInput; // from the latest reading
    std::optional<std::int32_t> m_openStart; // the person is away since then
    // While away, only an input later than this is a return.
    std::int32_t m_inputAfter = 0;
    // The end of the last closed spell: a new one never starts before it.
    std::int32_t m_lastReturn = 0;
    std::deque<Spell> m_waiting;
};
