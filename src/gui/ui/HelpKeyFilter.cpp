#include "gui/ui/HelpKeyFilter.h"

#include "gui/ui/HelpWindow.h"

#include <QKeyEvent>

bool CHelpKeyFilter::eventFilter(QObject* watched, QEvent* event) {
    // ShortcutOverride comes first and would let a focused widget claim the key.
    if (event->type() == QEvent::KeyPress) {
        const auto* key = static_cast<QKeyEvent*>(event);
        if (key->key() == Qt::Key_F1 && key->modifiers() == Qt::NoModifier) {
            CHelpWindow::ShowForOpenDialog();
            return true;
        }
    }
    return QObject::eventFilter(watched, event);
}
