#pragma once

#include <QDialog>

#include <memory>

class CPunchwellApp;
class CReport;
class CReportItem;
class Prompts;
class QListWidgetItem;

namespace Ui {
class CustomReportDlg;
}

// Generate Custom Report: assembles the items of a custom report, loads and saves them as
// custom report files, and closes with OK (through Generate) when the report is to be
// written. The items stay in the report whatever the dialog ends with.
class CCustomReportDlg : public QDialog {
    Q_OBJECT

public:
    // Works on `report`; without one the dialog keeps a report of its own.
    CCustomReportDlg(CPunchwellApp& app, Prompts& prompts, CReport* report = nullptr,
                     QWidget* parent = nullptr);
    ~CCustomReportDlg() override;

    CReport& GetReport() { return *m_report; }

    void OnAddItem();
    void OnDeleteItem();
    void OnClearList();
    void OnLoadReport();
    void OnSaveReport();
    void OnGenerate();

private:
    void AddEntry(const CReportItem& item);
    void FillList();

    std::unique_ptr<Ui::CustomReportDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
    std::unique_ptr<CReport> m_ownReport;
    CReport* m_report = nullptr;
};
