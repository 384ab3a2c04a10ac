#pragma once

#include "core/app/Prompts.h"
#include "core/reports/ReportOptions.h"

#include <cstdint>
#include <optional>
#include <string>

// The choice of the What Next? dialog.
enum class WhatNextChoice { View, Print, Cancel };

// How report generation and the report commands ask the person. The desktop implements it
// with its dialogs; tests with a scripted fake.
class ReportPort {
public:
    virtual ~ReportPort() = default;
    // Choose Report Options, showing `pageLines` as the title page's current lines. Empty
    // when cancelled. Its "..." button stores a changed page-lines option itself; the
    // value in the result is the one the title page uses.
    virtual std::optional<ReportOptions> ChooseReportOptions(std::uint16_t pageLines) = 0;
    // The Save As dialog of a report file (it asks before replacing a file); the full path,
    // or empty when cancelled.
    virtual std::optional<std::string> ChooseReportFile(const FileDialogRequest& request) = 0;
    // A message box with one OK button; `owned` false shows it without an owner window.
    virtual void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon,
                             bool owned) = 0;
    virtual WhatNextChoice AskWhatNext() = 0;
    // Hands the file to the desktop to view or print; failures are not reported.
    virtual void OpenReport(const std::string& path, WhatNextChoice how) = 0;
};
