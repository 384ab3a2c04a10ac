#pragma once

#include "core/reports/ReportPort.h"

#include <QCoreApplication>
#include <QPointer>
#include <QString>
#include <QWidget>

class CPunchwellApp;
class QPrinter;

// The desktop's report dialogs behind the core's report port: Choose Report Options,
// What Next?, the Save As dialog and message boxes through the prompts, and the desktop
// to view a report or Qt's print dialog to print it.
class CQtReportPort : public ReportPort {
    Q_DECLARE_TR_FUNCTIONS(CQtReportPort)

public:
    CQtReportPort(CPunchwellApp& app, Prompts& prompts, QWidget* parent = nullptr);

    std::optional<ReportOptions> ChooseReportOptions(std::uint16_t pageLines) override;
    std::optional<std::string> ChooseReportFile(const FileDialogRequest& request) override;
    void ShowMessage(const std::string& caption, const std::string& text, MessageIcon icon,
                     bool owned) override;
    WhatNextChoice AskWhatNext() override;
    void OpenReport(const std::string& path, WhatNextChoice how) override;

    // Prints the report file on `printer` as a browser lays out its page. False, with the
    // reason in `error`, when the file cannot be read.
    static bool PrintReportFile(const QString& path, QPrinter& printer, QString* error = nullptr);

private:
    void PrintReport(const QString& path);

    CPunchwellApp& m_app;
    Prompts& m_prompts;
    QPointer<QWidget> m_parent;
};
