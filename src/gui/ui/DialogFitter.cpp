#include "gui/ui/DialogFitter.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QFontMetrics>
#include <QMessageBox>
#include <QScreen>

#include <algorithm>

namespace {

// The window manager's icon, its three buttons and the margins beside the caption text.
constexpr int kDecorationWidth = 150;

} // namespace

CDialogFitter::CDialogFitter(QObject* parent) : QObject(parent) {}

int CDialogFitter::CaptionWidth(const QWidget* window) {
    // Title bars use a bold face of about the program's own size.
    QFont font = QApplication::font();
    font.setBold(true);
    const int wanted =
        QFontMetrics(font).horizontalAdvance(window->windowTitle()) + kDecorationWidth;
    const QScreen* screen = window->screen() ? window->screen() : QGuiApplication::primaryScreen();
    if (screen == nullptr)
        return wanted;
    // The frame's borders stay on screen too.
    return std::min(wanted, screen->availableGeometry().width() - 16);
}

bool CDialogFitter::eventFilter(QObject* watched, QEvent* event) {
    // Message boxes size themselves to their layout as they show; the prompts give theirs
    // the width of the caption.
    if (event->type() == QEvent::Show && watched->isWidgetType()) {
        auto* dialog = qobject_cast<QDialog*>(watched);
        if (dialog != nullptr && dialog->isWindow() &&
            qobject_cast<QMessageBox*>(dialog) == nullptr) {
            const int wanted = CaptionWidth(dialog);
            if (dialog->width() < wanted && dialog->maximumWidth() >= wanted) {
                dialog->setMinimumWidth(wanted);
                dialog->resize(wanted, dialog->height());
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
