#pragma once

#include <QObject>

// F1 anywhere in the program opens the help page of the dialog that is open, found by its
// caption, or the contents when none has a page.
class CHelpKeyFilter : public QObject {
    Q_OBJECT

public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
