#include "gui/reports/CustomReportDlg.h"

#include "core/app/Prompts.h"
#include "core/app/PunchwellApp.h"
#include "core/platform/Clock.h"
#include "core/platform/LocalTime.h"
#include "core/reports/Report.h"
#include "core/reports/ReportCommands.h"
#include "core/reports/ReportItemForm.h"
#include "gui/reports/ReportItemDlg.h"
#include "gui/ui/HelpWindow.h"
#include "gui/ui/ProjectNameOrder.h"
#include "ui_CustomReportDlg.h"

namespace {

constexpr int kHelpContext = 9;
constexpr const char* kAppCaption = "Punchwell";

// Each entry is bound to its own item, so entries with the same text stay apart.
const CReportItem* EntryItem(const QListWidgetItem* entry) {
    return reinterpret_cast<const CReportItem*>(entry->data(Qt::UserRole).value<quintptr>());
}

} // namespace

CCustomReportDlg::CCustomReportDlg(CPunchwellApp& app, Prompts& prompts, CReport* report,
                                   QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::CustomReportDlg>()), m_app(app),
      m_prompts(prompts), m_report(report) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    if (m_report == nullptr) {
        m_ownReport = std::make_unique<CReport>();
        m_report = m_ownReport.get();
    }
    FillList();

    connect(m_ui->addButton, &QPushButton::clicked, this, &CCustomReportDlg::OnAddItem);
    connect(m_ui->deleteButton, &QPushButton::clicked, this, &CCustomReportDlg::OnDeleteItem);
    connect(m_ui->clearButton, &QPushButton::clicked, this, &CCustomReportDlg::OnClearList);
    connect(m_ui->loadButton, &QPushButton::clicked, this, &CCustomReportDlg::OnLoadReport);
    connect(m_ui->saveButton, &QPushButton::clicked, this, &CCustomReportDlg::OnSaveReport);
    connect(m_ui->generateButton, &QPushButton::clicked, this, &CCustomReportDlg::OnGenerate);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CCustomReportDlg::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
}

CCustomReportDlg::~CCustomReportDlg() = default;

void CCustomReportDlg::AddEntry(const CReportItem& item) {
    const int row = InsertProjectName(m_ui->itemList, QString::fromStdString(item.GetListText()));
    m_ui->itemList->item(row)->setData(Qt::UserRole,
                                       QVariant::fromValue(reinterpret_cast<quintptr>(&item)));
}

void CCustomReportDlg::FillList() {
    m_ui->itemList->clear();
    for (const auto& item : m_report->Items())
        AddEntry(*item);
}

void CCustomReportDlg::OnAddItem() {
    const std::int64_t now = m_app.GetClock().Now();
    const auto local = ToLocal(now);
    CReportItemDlg dialog(m_app.Store(), *m_report, m_prompts, local ? local->year : 1970, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    const CReportItem* item = AddCheckedItem(*m_report, dialog.GetCheck(), now,
                                             m_app.GetOptions().m_wWeekStart, m_app.Store());
    if (item == nullptr) {
        // Only dates the local calendar cannot hold get here.
        m_prompts.Ask(kAppCaption,
                      tr("The dates entered cannot be used for a report.").toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    AddEntry(*item);
}

void CCustomReportDlg::OnDeleteItem() {
    QListWidgetItem* entry = m_ui->itemList->currentItem();
    if (entry == nullptr || !entry->isSelected()) {
        m_prompts.Ask("No Item Selected", "Please select an item and try again.",
                      MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    if (!m_report->RemoveItem(EntryItem(entry))) {
        m_prompts.Ask("Deletion Failure", "Deletion Failed: Item does not exist",
                      MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    delete m_ui->itemList->takeItem(m_ui->itemList->row(entry));
}

void CCustomReportDlg::OnClearList() {
    if (m_ui->itemList->count() == 0)
        return;
    if (m_prompts.Ask("Are You Sure?", "Are you sure you wish to clear the current report items?",
                      MessageIcon::Question, MessageButtons::YesNo, true,
                      MessageAnswer::No) != MessageAnswer::Yes)
        return;
    m_report->RemoveAllItems();
    m_ui->itemList->clear();
}

void CCustomReportDlg::OnLoadReport() {
    const std::optional<std::string> path =
        m_prompts.ChooseOpenFile(CustomReportFileRequest(false));
    if (!path || path->empty())
        return;
    // A file that cannot be read leaves the list as it was.
    const ReportFileResult result = m_report->ReplaceItemsFromFile(*path, m_app.Store());
    if (!result.ok) {
        m_prompts.Ask(kAppCaption, result.message, MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    FillList();
    if (result.itemsOfUnknownKind != 0)
        m_prompts.Ask(kAppCaption, DescribeSkippedItems(*path, result.itemsOfUnknownKind),
                      MessageIcon::Information, MessageButtons::Ok);
}

void CCustomReportDlg::OnSaveReport() {
    const std::optional<std::string> path = m_prompts.ChooseSaveFile(CustomReportFileRequest(true));
    if (!path || path->empty())
        return;
    const FileResult result = m_report->SaveItems(*path);
    if (!result.ok)
        m_prompts.Ask(kAppCaption, result.message, MessageIcon::Exclamation, MessageButtons::Ok);
}

void CCustomReportDlg::OnGenerate() {
    if (m_ui->itemList->count() == 0) {
        m_prompts.Ask("No Items Added", "Please add a report item before generating a report.",
                      MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    accept();
}
