#include "reports/ReportOptions.h"

std::optional<NotesMode> ParseNotesMode(std::string_view name) {
    if (name == "top")
        return TopLineOnly;
    if (name == "bottom")
        return NotesAtBottom;
    if (name == "omit")
        return OmitNotes;
    return std::nullopt;
}
