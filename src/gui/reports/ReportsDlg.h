#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class ReportsDlg;
}

// Reports: picks a standard report (its type and its scope), or hands over to the custom
// report through "&Custom...".
class CReportsDlg : public QDialog {
    Q_OBJECT

public:
    enum Scope { SingleProject = 0, AllProjects = 1 };

    explicit CReportsDlg(QWidget* parent = nullptr);
    ~CReportsDlg() override;

    // Today, Month to date, Week to date, Year to date, Total = 0..4.
    int GetTypeIndex() const;
    Scope GetScope() const;
    // "&Custom..." ended the dialog (as a cancel); the custom report is to follow.
    bool CustomRequested() const { return m_bCustomRequested; }

private:
    std::unique_ptr<Ui::ReportsDlg> m_ui;
    bool m_bCustomRequested = false;
};
