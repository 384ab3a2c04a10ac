#pragma once

#include <QString>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QSplitter;
class QTextBrowser;

// The program's help: pages kept in the resources, shown in one window with a topic index
// that can be filtered. Dialogs ask for their page by context number.
class CHelpWindow : public QWidget {
    Q_OBJECT

public:
    static void ShowContents();
    static void ShowIndex();
    static void ShowContext(int context, QWidget* requester = nullptr);
    // F1: the page of the first open dialog found by caption, else the contents.
    static void ShowForOpenDialog();
    // The context number F1 picks for the dialogs open now; 0 means the contents.
    static int ContextForOpenDialogs();
    static void CloseHelp();
    // The window, if it was ever opened (tests look at it).
    static CHelpWindow* Instance();

    QString CurrentPage() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    CHelpWindow();
    static constexpr int kWidth = 820;
    static constexpr int kHeight = 600;

    static CHelpWindow* Ensure();
    // Size and place the window inside the free area of the screen in use.
    void PlaceOnScreen();
    void Open(const QString& page);
    void BuildIndex();
    void FitIndexPane();
    void ApplyFilter(const QString& text);

    QTextBrowser* m_browser = nullptr;
    QLineEdit* m_filterEdit = nullptr;
    QListWidget* m_topicList = nullptr;
    QSplitter* m_splitter = nullptr;
};
