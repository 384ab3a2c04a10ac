#include "core/reports/ReportOptions.h"

#include <cstdint>

std::optional<NotesMode> ParseNotesMode(std::string_view name) {
    if (name == "top")
        return TopLineOnly;
    if (name == "bottom")
        return NotesAtBottom;
    if (name == "omit")
        return OmitNotes;
    return std::nullopt;
}

std::optional<ReportFormMessage> CheckReportOptionsForm(const std::string& title,
                                                        std::optional<NotesMode> notesMode) {
    if (title.empty())
        return ReportFormMessage{"No Title Specified", "Please enter a title for this report"};
    if (!notesMode)
        return ReportFormMessage{"No Method Selected",
                                 "Please select a method for dealing with multiline notes"};
    return std::nullopt;
}

PageLinesCheck CheckPageLinesText(std::string_view text) {
    // A signed integer, surrounding spaces allowed, as the number boxes read them.
    std::size_t begin = text.find_first_not_of(' ');
    std::size_t end = text.find_last_not_of(' ');
    std::string_view number =
        begin == std::string_view::npos ? std::string_view{} : text.substr(begin, end - begin + 1);
    bool negative = false;
    if (!number.empty() && (number[0] == '-' || number[0] == '+')) {
        negative = number[0] == '-';
        number.remove_prefix(1);
    }
    bool isInteger = !number.empty() && number.size() <= 10;
    std::int64_t value = 0;
    for (char c : number) {
        if (c < '0' || c > '9') {
            isInteger = false;
            break;
        }
        value = value * 10 + (c - '0');
    }
    if (!isInteger)
        return {std::nullopt, ReportFormMessage{"Punchwell", "Please enter an integer."}};
    if (negative)
        value = -value;
    if (value < 5 || value > 50)
        return {std::nullopt,
                ReportFormMessage{"Punchwell", "Please enter an integer between 5 and 50."}};
    return {static_cast<std::uint16_t>(value), std::nullopt};
}
