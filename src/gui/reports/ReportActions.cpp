#include "gui/reports/ReportActions.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/platform/Clock.h"
#include "core/reports/Report.h"
#include "gui/reports/CustomReportDlg.h"
#include "gui/reports/ReportsDlg.h"

CReportActions::CReportActions(CPunchwellApp& app, Prompts& prompts, QWidget* parent,
                               TrayIconSwitch showTrayIcon)
    : m_app(app), m_prompts(prompts), m_parent(parent), m_showTrayIcon(std::move(showTrayIcon)),
      m_port(app, prompts, parent) {}

ReportEnvironment CReportActions::Environment() const {
    const COptions& options = m_app.GetOptions();
    return ReportEnvironment{m_app.Store(), m_app.GetClock(), options.m_wWeekStart,
                             options.m_wPageLines, nullptr};
}

void CReportActions::HideTrayIcon() {
    if (m_trayHidden++ == 0 && m_showTrayIcon)
        m_showTrayIcon(false);
}

void CReportActions::RestoreTrayIcon() {
    if (m_trayHidden > 0 && --m_trayHidden == 0 && m_showTrayIcon)
        m_showTrayIcon(true);
}

bool CReportActions::StandardReportAllProjects(ReportPeriod kind) {
    return StandardReport(true, kind);
}

bool CReportActions::StandardReportSingleProject(ReportPeriod kind) {
    return StandardReport(false, kind);
}

bool CReportActions::StandardReport(bool allProjects, ReportPeriod kind) {
    CReport report;
    const ReportEnvironment environment = Environment();
    const std::int64_t now = environment.clock.Now();
    if (allProjects) {
        AddAllProjectsItems(report, m_app.Store(), kind, now, environment.weekStart);
    } else {
        // Every Select Project dialog takes the tray icon away while it is open.
        HideTrayIcon();
        const std::optional<std::string> chosen =
            m_prompts.SelectProject(m_strCurrentProject, true);
        RestoreTrayIcon();
        if (!chosen || chosen->empty())
            return false;
        if (!AddSingleProjectItem(report, m_app.Store(), *chosen, kind, now, environment.weekStart))
            return false;
    }
    return RunReportCommand(report, m_port, environment, ReportCommand::Standard);
}

bool CReportActions::CustomReport(ReportCommand origin) {
    CReport report;
    {
        CCustomReportDlg dialog(m_app, m_prompts, &report, m_parent);
        if (dialog.exec() != QDialog::Accepted)
            return false;
    }
    return RunReportCommand(report, m_port, Environment(), origin);
}

void CReportActions::ReportsDialog(bool removeTrayIcon) {
    if (removeTrayIcon)
        HideTrayIcon();
    int result = QDialog::Rejected;
    int typeIndex = 0;
    CReportsDlg::Scope scope = CReportsDlg::SingleProject;
    bool custom = false;
    {
        CReportsDlg dialog(m_parent);
        result = dialog.exec();
        typeIndex = dialog.GetTypeIndex();
        scope = dialog.GetScope();
        custom = dialog.CustomRequested();
    }
    if (custom)
        CustomReport(ReportCommand::CustomFromReportsDialog);
    else if (result == QDialog::Accepted)
        StandardReport(scope == CReportsDlg::AllProjects, ReportPeriodFromTypeIndex(typeIndex));
    if (removeTrayIcon)
        RestoreTrayIcon();
}

void CReportActions::OpenSavedReport(WhatNextChoice how) {
    const std::optional<std::string> path = m_prompts.ChooseOpenFile(SavedReportRequest());
    if (!path || path->empty())
        return;
    m_port.OpenReport(*path, how);
}

void CReportActions::ViewSavedReport() {
    OpenSavedReport(WhatNextChoice::View);
}

void CReportActions::PrintSavedReport() {
    OpenSavedReport(WhatNextChoice::Print);
}
