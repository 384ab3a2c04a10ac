#pragma once

#include "core/app/DataLoad.h"

#include <QDialog>

#include <memory>
#include <optional>

class Prompts;

namespace Ui {
class LoadDataFileDlg;
}

// Asks how a data file joins the program's data: Replace All Data or Merge Files. Neither is
// chosen when it opens, and OK refuses to close until one is.
class CLoadDataFileDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr int kHelpContext = 11;

    // Without a parent (at start-up, before the main window is up) its message has no owner
    // either.
    explicit CLoadDataFileDlg(Prompts& prompts, QWidget* parent = nullptr);
    ~CLoadDataFileDlg() override;

    // Shows the dialog: the method chosen, or nothing for Cancel.
    static std::optional<LoadMethod> Choose(Prompts& prompts, QWidget* parent);

    // The method chosen; valid after OK.
    std::optional<LoadMethod> GetMethod() const { return m_method; }

    void accept() override;

private:
    void ShowInfo();

    std::unique_ptr<Ui::LoadDataFileDlg> m_ui;
    Prompts& m_prompts;
    std::optional<LoadMethod> m_method;
};
