#pragma once

#include <QDialog>

#include <memory>
#include <string>

class Prompts;

namespace Ui {
class EnterPasswordDlg;
}

// Asks for the program password; closes with OK only when it is typed exactly (letter case
// counts). Attempts are not limited.
class CEnterPasswordDlg : public QDialog {
    Q_OBJECT

public:
    // `expected` is the password in plain form, as GetPassword gives it.
    CEnterPasswordDlg(Prompts& prompts, std::string expected, QWidget* parent = nullptr);
    ~CEnterPasswordDlg() override;

    void accept() override;

private:
    std::unique_ptr<Ui::EnterPasswordDlg> m_ui;
    Prompts& m_prompts;
    std::string m_strExpected;
};
