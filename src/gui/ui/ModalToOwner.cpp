#include "gui/ui/ModalToOwner.h"

#include <QEvent>
#include <QWidget>
#include <QWindow>

CModalToOwner::CModalToOwner(QObject* parent) : QObject(parent) {}

bool CModalToOwner::eventFilter(QObject* watched, QEvent* event) {
    // The show event comes before the window is on screen, while its modality can still
    // change. A dialog without an owner (the start-up boxes) keeps blocking everything.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* widget = static_cast<QWidget*>(watched);
        if (widget->isWindow() && widget->windowModality() == Qt::ApplicationModal &&
            widget->parentWidget() != nullptr) {
            widget->setWindowModality(Qt::WindowModal);
            // exec() has already made the window modal, and the widget passes the change
            // on only when its modal attribute changes: tell the window itself.
            if (QWindow* window = widget->windowHandle())
                window->setModality(Qt::WindowModal);
        }
    }
    return QObject::eventFilter(watched, event);
}
