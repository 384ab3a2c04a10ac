#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// What to do with notes of more than one line (16-bit values, the order of the options
// dialog's buttons).
enum NotesMode : std::uint16_t {
    TopLineOnly = 0,
    NotesAtBottom = 1,
    OmitNotes = 2,
};

// The choices of the Choose Report Options dialog, plus the page-lines option the title
// page uses.
struct ReportOptions {
    std::string title;
    bool showPeriods = false; // one line per period
    NotesMode notesMode = TopLineOnly;
    bool titlePage = false;
    bool costPerHour = false; // money owed at each project's rate
    std::uint16_t pageLines = 15;
};

// "top", "bottom", "omit" (the command line's names).
std::optional<NotesMode> ParseNotesMode(std::string_view name);
