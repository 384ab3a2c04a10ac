#pragma once

#include <QDialog>

#include <cstddef>

class QProgressBar;

// The "Merging Records..." window: one progress bar, no buttons. The merge runs to its end
// without handling events, so the window repaints itself at each step instead of waiting for
// the event loop.
class CMergeProgressDlg : public QDialog {
    Q_OBJECT

public:
    explicit CMergeProgressDlg(QWidget* parent = nullptr);

    // Shows the window and lets it be drawn once before the work starts.
    void Open();
    // `done` of `total` periods walked.
    void SetProgress(std::size_t done, std::size_t total);

    QProgressBar* Bar() const { return m_bar; }

protected:
    // Neither Esc nor the close box can stop a merge halfway.
    void reject() override {}

private:
    QProgressBar* m_bar = nullptr;
};
