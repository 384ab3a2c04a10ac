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

// A refusal of one of the report dialogs: a warning box with this caption and text.
struct ReportFormMessage {
    std::string caption;
    std::string text;
};

// OK of Choose Report Options: a title is needed (spaces count as one) and a notes method
// must be chosen. Empty when the dialog may close.
std::optional<ReportFormMessage> CheckReportOptionsForm(const std::string& title,
                                                        std::optional<NotesMode> notesMode);

// OK of Title Page Options: the page-lines text must be an integer from 5 to 50. Holds the
// value, or the message to show with the focus back on the box.
struct PageLinesCheck {
    std::optional<std::uint16_t> value;
    std::optional<ReportFormMessage> message;
};
PageLinesCheck CheckPageLinesText(std::string_view text);
