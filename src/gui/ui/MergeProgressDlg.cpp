#include "gui/ui/MergeProgressDlg.h"

#include <QCoreApplication>
#include <QProgressBar>
#include <QVBoxLayout>

#include <algorithm>
#include <limits>

CMergeProgressDlg::CMergeProgressDlg(QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint) {
    setObjectName(QStringLiteral("MergeProgressDlg"));
    setWindowTitle(tr("Merging Records..."));
    setModal(true);
    m_bar = new QProgressBar(this);
    m_bar->setObjectName(QStringLiteral("progressBar"));
    m_bar->setRange(0, 1);
    m_bar->setValue(0);
    m_bar->setTextVisible(false);
    m_bar->setMinimumWidth(260);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_bar);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

void CMergeProgressDlg::Open() {
    show();
    raise();
    // Nothing has changed yet, so events may run once here: the window gets mapped and drawn.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void CMergeProgressDlg::SetProgress(std::size_t done, std::size_t total) {
    // QProgressBar counts in int; scale very large counts down.
    const std::size_t cap = static_cast<std::size_t>(std::numeric_limits<int>::max());
    const std::size_t divisor = total > cap ? total / cap + 1 : 1;
    m_bar->setRange(0, static_cast<int>(total / divisor));
    m_bar->setValue(static_cast<int>(std::min(done, total) / divisor));
    m_bar->repaint();
}
