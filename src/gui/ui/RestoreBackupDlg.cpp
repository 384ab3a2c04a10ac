#include "gui/ui/RestoreBackupDlg.h"

#include "ui_RestoreBackupDlg.h"

#include <QDate>
#include <QDateTime>
#include <QDir>
#include <QHeaderView>
#include <QLocale>
#include <QPushButton>
#include <QTreeWidgetItem>

namespace {

constexpr int kIndexRole = Qt::UserRole;

} // namespace

CRestoreBackupDlg::CRestoreBackupDlg(const std::vector<DatedCopySummary>& copies,
                                     const QString& folder, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::RestoreBackupDlg>()), m_copies(copies) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    m_ui->folderLabel->setText(
        tr("The copies are kept in %1.").arg(QDir::toNativeSeparators(folder)));

    const QLocale c = QLocale::c();
    for (std::size_t i = 0; i < m_copies.size(); ++i) {
        const DatedCopySummary& copy = m_copies[i];
        auto* item = new QTreeWidgetItem(m_ui->backupList);
        item->setText(0, DateText(copy.copy.date));
        item->setData(0, kIndexRole, static_cast<qulonglong>(i));
        if (!copy.readable) {
            item->setText(1, tr("cannot be read"));
            item->setToolTip(0, QString::fromStdString(copy.error));
            item->setFlags(item->flags() & ~(Qt::ItemIsSelectable | Qt::ItemIsEnabled));
            continue;
        }
        QString count = c.toString(static_cast<qulonglong>(copy.periods));
        if (copy.damaged)
            count = tr("%1 (damaged)").arg(count);
        item->setText(1, count);
        item->setTextAlignment(1, Qt::AlignRight | Qt::AlignVCenter);
        if (copy.lastPeriodStart) {
            const QDateTime start = QDateTime::fromSecsSinceEpoch(*copy.lastPeriodStart);
            item->setText(2, c.toString(start.date(), QStringLiteral("MMMM d, yyyy")));
        } else {
            item->setText(2, tr("none"));
        }
    }
    m_ui->backupList->header()->setSectionResizeMode(QHeaderView::ResizeToContents);
    m_ui->backupList->setMinimumWidth(460);

    connect(m_ui->restoreButton, &QPushButton::clicked, this, &CRestoreBackupDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CRestoreBackupDlg::reject);
    connect(m_ui->backupList, &QTreeWidget::itemSelectionChanged, this,
            &CRestoreBackupDlg::UpdateButtons);
    connect(m_ui->backupList, &QTreeWidget::itemDoubleClicked, this, [this](QTreeWidgetItem* item) {
        if (item != nullptr && (item->flags() & Qt::ItemIsEnabled))
            accept();
    });

    // The newest copy that can be read is chosen to begin with.
    for (int row = 0; row < m_ui->backupList->topLevelItemCount(); ++row) {
        QTreeWidgetItem* item = m_ui->backupList->topLevelItem(row);
        if (item->flags() & Qt::ItemIsEnabled) {
            m_ui->backupList->setCurrentItem(item);
            break;
        }
    }
    UpdateButtons();
}

CRestoreBackupDlg::~CRestoreBackupDlg() = default;

void CRestoreBackupDlg::UpdateButtons() {
    m_ui->restoreButton->setEnabled(GetSelected() != nullptr);
}

const DatedCopySummary* CRestoreBackupDlg::GetSelected() const {
    const QList<QTreeWidgetItem*> selected = m_ui->backupList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const auto index = selected.front()->data(0, kIndexRole).toULongLong();
    return index < m_copies.size() && m_copies[index].readable ? &m_copies[index] : nullptr;
}

QString CRestoreBackupDlg::DateText(BackupDate date) {
    // The same words as the messages about the copy.
    return QString::fromStdString(CDatedBackups::DateText(date));
}
