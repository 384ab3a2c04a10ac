#pragma once

#include "core/timing/IdleSource.h"

// Windows: the time since the last input event of the session.
class CWindowsIdleSource final : public IdleSource {
public:
    std::optional<std::int64_t> IdleSeconds() override;
};
