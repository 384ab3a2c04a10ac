#include "cli/Command.h"

#include <ostream>

void CommandContext::Error(const std::string& message) const {
    err << programName << ": " << message << "\n";
}
