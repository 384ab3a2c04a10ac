#pragma once

#include <QObject>

class QWidget;

// Sizes each dialog of the program to its caption as it comes on screen: a window manager
// cuts a caption wider than its window ("Status For" and a long project name), and the
// caption names the dialog for F1. Never wider than the screen's free area.
class CDialogFitter : public QObject {
    Q_OBJECT

public:
    explicit CDialogFitter(QObject* parent = nullptr);

    // The width a top-level window needs to show its whole caption beside the window
    // manager's icon and buttons, capped at the width of its screen's free area.
    static int CaptionWidth(const QWidget* window);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
};
