#pragma once

#include <QDateTimeEdit>

// A date and time box that takes a time typed as it is written, "10:30:00". The plain box
// moves on to the next field by itself once a field is full, and then also takes the typed
// separator as a request to move on, so "10:30" lands in the seconds. Here a separator
// typed right after such a move is taken as already done.
class CTypedDateTimeEdit : public QDateTimeEdit {
    Q_OBJECT

public:
    explicit CTypedDateTimeEdit(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    bool m_bMovedByItself = false;
};
