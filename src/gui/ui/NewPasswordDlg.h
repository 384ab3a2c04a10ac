#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class Prompts;

namespace Ui {
class NewPasswordDlg;
}

// A new program password, typed twice. An empty one is accepted only after a warning that
// it turns locking off.
class CNewPasswordDlg : public QDialog {
    Q_OBJECT

public:
    explicit CNewPasswordDlg(Prompts& prompts, QWidget* parent = nullptr);
    ~CNewPasswordDlg() override;

    QString GetPassword() const { return m_strPassword1; }

    void accept() override;

private:
    std::unique_ptr<Ui::NewPasswordDlg> m_ui;
    Prompts& m_prompts;
    QString m_strPassword1;
};
