#pragma once

#include "core/reports/ReportCommands.h"
#include "core/reports/ReportItem.h"
#include "gui/reports/QtReportPort.h"

#include <QCoreApplication>
#include <QPointer>
#include <QWidget>

#include <functional>
#include <string>

class CPunchwellApp;
class CReport;
class Prompts;

// The report commands of the main window, its context menu, the tray and the Status For
// dialog. Each call runs one whole command with its own report, from the first dialog to
// What Next?, and returns when everything it opened has closed.
class CReportActions {
    Q_DECLARE_TR_FUNCTIONS(CReportActions)

public:
    // Called with false to take the tray icon away while a dialog that removes it is open,
    // and with true to bring it back.
    using TrayIconSwitch = std::function<void(bool shown)>;

    // `parent` owns the dialogs (the main window, or the Status For dialog for its button).
    CReportActions(CPunchwellApp& app, Prompts& prompts, QWidget* parent,
                   TrayIconSwitch showTrayIcon = {});

    // Reports > All Projects > (kind): one section per project.
    bool StandardReportAllProjects(ReportPeriod kind);
    // Reports > Single Project > (kind): Select Project first; Cancel or a project that is
    // gone ends the command silently.
    bool StandardReportSingleProject(ReportPeriod kind);
    bool StandardReport(bool allProjects, ReportPeriod kind);

    // The custom report flows: ReportCommand::CustomReport (F2),
    // CustomFromContextMenu, CustomFromReportsDialog. Cancel in Generate Custom Report ends
    // it with nothing shown.
    bool CustomReport(ReportCommand origin);

    // The Reports dialog and the report it starts. `removeTrayIcon` for the main window's
    // "&Reporting..." button and the tray's "Reporting...": the icon is away until the
    // dialog and its report have finished.
    void ReportsDialog(bool removeTrayIcon = false);
    // "Reporting..." of the Status For dialog: the Reports dialog, the tray icon left alone.
    void StandardReportFromStatus() { ReportsDialog(false); }

    // Reports > View Saved Report... / Print Saved Report...: an HTML file chosen in the
    // Open dialog, handed to the desktop or printed.
    void ViewSavedReport();
    void PrintSavedReport();

    // The project the Select Project dialog of a single-project report starts on; with
    // none (or one that is gone) it starts on the first.
    void SetCurrentProject(std::string name) { m_strCurrentProject = std::move(name); }

private:
    void HideTrayIcon();
    void RestoreTrayIcon();
    ReportEnvironment Environment() const;
    void OpenSavedReport(WhatNextChoice how);

    CPunchwellApp& m_app;
    Prompts& m_prompts;
    QPointer<QWidget> m_parent;
    TrayIconSwitch m_showTrayIcon;
    int m_trayHidden = 0; // nested removals: the outermost one puts the icon back
    CQtReportPort m_port;
    std::string m_strCurrentProject;
};
