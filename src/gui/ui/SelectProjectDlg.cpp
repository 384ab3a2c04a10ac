#include "gui/ui/SelectProjectDlg.h"

#include "core/data/Store.h"
#include "gui/ui/ProjectNameDisplay.h"
#include "gui/ui/ProjectNameOrder.h"
#include "ui_SelectProjectDlg.h"

#include <QPushButton>

#include <algorithm>

CSelectProjectDlg::CSelectProjectDlg(const CStore& store, const QString& preselect, QWidget* parent,
                                     bool firstWhenNoMatch)
    : QDialog(parent), m_ui(std::make_unique<Ui::SelectProjectDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    // Sorted the way people read a list: letter case does not split it.
    QStringList names;
    for (const auto& task : store.Tasks())
        names.append(QString::fromStdString(task->GetName()));
    std::stable_sort(names.begin(), names.end(), ProjectNameLess);
    m_ui->projectList->addItems(names);
    FitProjectNames(m_ui->projectList);

    if (!preselect.isEmpty()) {
        for (int row = 0; row < m_ui->projectList->count(); ++row) {
            if (m_ui->projectList->item(row)->text().startsWith(preselect, Qt::CaseInsensitive)) {
                m_ui->projectList->setCurrentRow(row);
                break;
            }
        }
        m_ui->okButton->setEnabled(true);
    }
    if (firstWhenNoMatch && m_ui->projectList->currentRow() < 0 && m_ui->projectList->count() > 0) {
        m_ui->projectList->setCurrentRow(0);
        m_ui->okButton->setEnabled(true);
    }

    connect(m_ui->projectList, &QListWidget::itemSelectionChanged, this,
            [this] { m_ui->okButton->setEnabled(true); });
    connect(m_ui->projectList, &QListWidget::itemDoubleClicked, this, &CSelectProjectDlg::accept);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CSelectProjectDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CSelectProjectDlg::reject);
}

CSelectProjectDlg::~CSelectProjectDlg() = default;

void CSelectProjectDlg::accept() {
    const QList<QListWidgetItem*> selected = m_ui->projectList->selectedItems();
    m_strSelection = selected.isEmpty() ? QString() : selected.first()->text();
    QDialog::accept();
}
