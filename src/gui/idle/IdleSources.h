#pragma once

#include "core/timing/IdleSource.h"

#include <QString>

#include <functional>
#include <memory>

class QObject;

// The way this desktop tells how long the keyboard and mouse have been left alone, picked
// once at start-up: the one place that knows which platform offers what.
struct IdleSourceChoice {
    std::unique_ptr<IdleSource> source; // null when none works
    QString name;                       // which one answers
    QString whyNone;                    // why none does, for the Options dialog
};

IdleSourceChoice ChooseIdleSource();

// Calls `onChange` with true when the computer goes to sleep and false when it has woken,
// where the desktop says so (Linux with logind), for as long as `owner` lives. False
// elsewhere, where the clock's jump after a sleep is all there is.
bool ListenForSleep(QObject* owner, std::function<void(bool sleeping)> onChange);
