#include "gui/ui/HyperLink.h"

#include <QDesktopServices>
#include <QKeyEvent>
#include <QMouseEvent>

CHyperLink::CHyperLink(const QUrl& url, const QString& text, QWidget* parent)
    : QLabel(text.isEmpty() ? url.toString() : text, parent), m_url(url) {
    setTextFormat(Qt::PlainText);
    QFont underlined = font();
    underlined.setUnderline(true);
    setFont(underlined);
    QPalette linkColours = palette();
    linkColours.setColor(QPalette::WindowText, linkColours.color(QPalette::Link));
    setPalette(linkColours);
    setCursor(Qt::PointingHandCursor);
    setFocusPolicy(Qt::StrongFocus);
    setToolTip(url.toString());
}

bool CHyperLink::Open() {
    const bool ok = QDesktopServices::openUrl(m_url);
    emit opened(m_url, ok);
    return ok;
}

void CHyperLink::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton && rect().contains(event->position().toPoint())) {
        Open();
        event->accept();
        return;
    }
    QLabel::mouseReleaseEvent(event);
}

void CHyperLink::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter ||
        event->key() == Qt::Key_Space) {
        Open();
        event->accept();
        return;
    }
    QLabel::keyPressEvent(event);
}
