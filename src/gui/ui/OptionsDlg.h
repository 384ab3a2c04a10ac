#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class CPunchwellApp;
class Prompts;

namespace Ui {
class OptionsDlg;
}

// Seven of the user options, and the way to set or change the program password. The
// options change only through ApplyTo after OK; a password set here is in force and saved
// at once, whatever becomes of the dialog.
class COptionsDlg : public QDialog {
    Q_OBJECT

public:
    COptionsDlg(CPunchwellApp& app, Prompts& prompts, QWidget* parent = nullptr);
    ~COptionsDlg() override;

    // Hands the values to the app's SetOptions, which writes them all. A list left without
    // a selection (a stored value it does not offer) keeps the stored value.
    void ApplyTo(CPunchwellApp& app) const;

    void OnSetPassword();
    void UpdatePasswordButton();
    // Why time away from the keyboard cannot be seen on this desktop; shown under the idle
    // option, which then covers sleep only. Empty hides the note.
    void SetIdleNote(const QString& whyNoSource);

private:
    void UpdateEnabling();

    std::unique_ptr<Ui::OptionsDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
};
