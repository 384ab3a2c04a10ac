#pragma once

#include "cli/Command.h"

#include <memory>
#include <string_view>
#include <vector>

// The commands of CommandList.h, created once.
class CCommandTable {
public:
    CCommandTable();

    CCommand* Find(std::string_view name) const;
    const std::vector<std::unique_ptr<CCommand>>& Commands() const { return m_commands; }

private:
    std::vector<std::unique_ptr<CCommand>> m_commands;
};
