#include "gui/ui/ProjectNameDisplay.h"

#include <QAbstractItemView>
#include <QComboBox>
#include <QListWidget>
#include <QStyledItemDelegate>

#include <algorithm>

namespace {

// As wide as the chars of a usual name; longer ones are shortened, not the dialog widened.
constexpr int kComboChars = 28;

// Entries no wider than the list's visible width, so the view shortens what does not fit
// instead of scrolling sideways.
class VisibleWidthDelegate : public QStyledItemDelegate {
public:
    explicit VisibleWidthDelegate(QAbstractItemView* view)
        : QStyledItemDelegate(view), m_view(view) {}

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override {
        QSize size = QStyledItemDelegate::sizeHint(option, index);
        size.setWidth(std::min(size.width(), m_view->viewport()->width()));
        return size;
    }

private:
    QAbstractItemView* m_view;
};

} // namespace

void FitProjectNames(QComboBox* combo) {
    combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    combo->setMinimumContentsLength(kComboChars);
    combo->view()->setTextElideMode(Qt::ElideMiddle);
    for (int row = 0; row < combo->count(); ++row)
        combo->setItemData(row, combo->itemText(row), Qt::ToolTipRole);
}

void FitProjectNames(QListWidget* list) {
    list->setTextElideMode(Qt::ElideMiddle);
    list->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    // Lay the entries out again when the list changes its width.
    list->setResizeMode(QListView::Adjust);
    list->setItemDelegate(new VisibleWidthDelegate(list));
    for (int row = 0; row < list->count(); ++row)
        ShowFullNameTip(list->item(row));
}

void ShowFullNameTip(QListWidgetItem* item) {
    item->setToolTip(item->text());
}
