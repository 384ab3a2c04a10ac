#include "gui/ui/ProjectNameOrder.h"

#include <QCollator>
#include <QListWidget>

bool ProjectNameLess(const QString& a, const QString& b) {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        return c;
    }();
    const int order = collator.compare(a, b);
    return order != 0 ? order < 0 : a < b;
}

int InsertProjectName(QListWidget* list, const QString& name) {
    // Binary search for the first entry that sorts after the name.
    int low = 0;
    int high = list->count();
    while (low < high) {
        const int mid = (low + high) / 2;
        if (ProjectNameLess(name, list->item(mid)->text()))
            high = mid;
        else
            low = mid + 1;
    }
    list->insertItem(low, name);
    // A long name may be shortened in the list; its tooltip shows it whole.
    list->item(low)->setToolTip(name);
    return low;
}
