#include "gui/ui/TypedDateTimeEdit.h"

#include <QKeyEvent>

namespace {

// The characters between the fields of "MM/dd/yyyy HH:mm:ss", and whatever else a person
// types there: any single character that is not a letter or a digit.
bool IsSeparator(const QString& text) {
    return text.size() == 1 && !text.at(0).isLetterOrNumber();
}

} // namespace

CTypedDateTimeEdit::CTypedDateTimeEdit(QWidget* parent) : QDateTimeEdit(parent) {}

void CTypedDateTimeEdit::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    if (m_bMovedByItself && IsSeparator(text)) {
        m_bMovedByItself = false;
        event->accept();
        return;
    }
    const Section before = currentSection();
    QDateTimeEdit::keyPressEvent(event);
    m_bMovedByItself = text.size() == 1 && text.at(0).isDigit() && currentSection() != before;
}

void CTypedDateTimeEdit::focusInEvent(QFocusEvent* event) {
    m_bMovedByItself = false;
    QDateTimeEdit::focusInEvent(event);
}

void CTypedDateTimeEdit::mousePressEvent(QMouseEvent* event) {
    m_bMovedByItself = false;
    QDateTimeEdit::mousePressEvent(event);
}
