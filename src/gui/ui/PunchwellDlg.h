#pragma once

#include <QDialog>

class CPunchwellApp;
class QAction;
class QMenu;
class QMenuBar;

// The main window. It lives for the whole run: closing it only hides it, and the program
// ends through Exit alone.
class CPunchwellDlg : public QDialog {
    Q_OBJECT
public:
    explicit CPunchwellDlg(CPunchwellApp& app, QWidget* parent = nullptr);

    // Brings the window back from hidden or minimised and to the front.
    void ShowWindow();

public slots:
    // The shutdown sequence of File > Exit.
    void OnExit();
    // Esc: the options are written, the window stays.
    void reject() override;

signals:
    // Exit has finished its work; the program should end now.
    void exitRequested();

protected:
    void closeEvent(QCloseEvent* event) override;

private:
    void CreateMenus();

    CPunchwellApp& m_app;
    QMenuBar* m_menuBar = nullptr;
    QMenu* m_menuFile = nullptr;
    QAction* m_actionExit = nullptr;
    QMenu* m_menuHelp = nullptr;
    QAction* m_actionHelpContents = nullptr;
    QAction* m_actionHelpIndex = nullptr;
};
