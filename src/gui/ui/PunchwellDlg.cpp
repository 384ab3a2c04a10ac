#include "ui/PunchwellDlg.h"

#include "app/PunchwellApp.h"
#include "ui/HelpWindow.h"

#include <QAction>
#include <QCloseEvent>
#include <QMenu>
#include <QMenuBar>
#include <QVBoxLayout>

CPunchwellDlg::CPunchwellDlg(CPunchwellApp& app, QWidget* parent)
    : QDialog(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint),
      m_app(app) {
    setObjectName(QStringLiteral("PunchwellDlg"));
    setWindowTitle(tr("Punchwell"));

    auto* layout = new QVBoxLayout(this);
    CreateMenus();
    layout->setMenuBar(m_menuBar);
    layout->addStretch();

    // The classic window is 176 x 125 dialog units below its menu bar, a unit across being
    // a quarter of the average character width; keep that size and shape, not resizable.
    const int width = fontMetrics().averageCharWidth() * 176 / 4;
    setFixedSize(width, width * 125 / 176 + m_menuBar->sizeHint().height());
}

void CPunchwellDlg::CreateMenus() {
    m_menuBar = new QMenuBar(this);
    m_menuBar->setObjectName(QStringLiteral("menuBar"));

    m_menuFile = m_menuBar->addMenu(tr("&File"));
    m_menuFile->setObjectName(QStringLiteral("menuFile"));

    m_actionExit = new QAction(tr("E&xit"), this);
    m_actionExit->setObjectName(QStringLiteral("actionExit"));
    m_actionExit->setMenuRole(QAction::QuitRole);
    connect(m_actionExit, &QAction::triggered, this, &CPunchwellDlg::OnExit);
    m_menuFile->addAction(m_actionExit);

    m_menuHelp = m_menuBar->addMenu(tr("&Help"));
    m_menuHelp->setObjectName(QStringLiteral("menuHelp"));
    m_actionHelpContents = m_menuHelp->addAction(tr("&Contents\tF1"));
    m_actionHelpContents->setObjectName(QStringLiteral("actionHelpContents"));
    connect(m_actionHelpContents, &QAction::triggered, this, [] { CHelpWindow::ShowContents(); });
    m_actionHelpIndex = m_menuHelp->addAction(tr("&Index..."));
    m_actionHelpIndex->setObjectName(QStringLiteral("actionHelpIndex"));
    connect(m_actionHelpIndex, &QAction::triggered, this, [] { CHelpWindow::ShowIndex(); });
}

void CPunchwellDlg::ShowWindow() {
    setWindowState((windowState() & ~Qt::WindowMinimized) | Qt::WindowActive);
    show();
    raise();
    activateWindow();
}

void CPunchwellDlg::OnExit() {
    // A running period is checked out here first once check-in exists; cancelling its
    // notes will keep the program open.
    m_app.WriteOptions();
    hide();
    emit exitRequested();
}

void CPunchwellDlg::reject() {
    // Esc must not end or hide the window that carries the whole program.
    m_app.WriteOptions();
}

void CPunchwellDlg::closeEvent(QCloseEvent* event) {
    // The close box hides the window; the program keeps running until Exit.
    event->ignore();
    hide();
}
