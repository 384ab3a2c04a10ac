#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class LockDlg;
}

// Confirms locking the program; its check box decides whether the next lock asks again.
class CLockDlg : public QDialog {
    Q_OBJECT

public:
    explicit CLockDlg(bool askAgain, QWidget* parent = nullptr);
    ~CLockDlg() override;

    bool GetAskAgain() const;

private:
    std::unique_ptr<Ui::LockDlg> m_ui;
};
