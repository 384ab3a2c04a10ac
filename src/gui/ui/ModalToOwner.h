#pragma once

#include <QObject>

// Makes each modal dialog that has an owner modal to its owner's windows only, instead of to
// the whole program. The notification-area icon is a window of the program's own on some
// desktops (X11); a dialog modal to the whole program would block its clicks, so the icon
// would stop answering while Time Records or any other dialog that leaves it in place is
// open. The main window and the dialogs below the open one stay blocked as before.
class CModalToOwner : public QObject {
    Q_OBJECT

public:
    explicit CModalToOwner(QObject* parent = nullptr);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
