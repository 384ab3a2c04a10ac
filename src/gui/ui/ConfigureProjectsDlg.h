#pragma once

#include <QDialog>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>

class CPunchwellApp;
class CTask;
class Prompts;

namespace Ui {
class ConfigureProjectsDlg;
}

// Where the person keeps the list of projects: add, edit (periods follow a rename) and
// delete them (optionally with their periods), with the selected project's time today and
// in total kept current. Changes go to the store at once; the data file is saved once, when
// the dialog closes, however it is closed.
class CConfigureProjectsDlg : public QDialog {
    Q_OBJECT

public:
    struct Hooks {
        // The project of the running check-in; empty while checked out.
        std::function<std::optional<std::string>()> currentProject;
        // Opens the time records of a project; the button is disabled without it.
        std::function<void(CTask&)> viewRecords;
        // Opens the Options dialog; the button and menu item are disabled without it.
        std::function<void()> options;
    };

    CConfigureProjectsDlg(CPunchwellApp& app, Prompts& prompts, Hooks hooks,
                          QWidget* parent = nullptr);
    ~CConfigureProjectsDlg() override;

    bool IsModified() const { return m_bModified; }

    void OnAdd();
    void OnDelete();
    void OnEdit();
    void OnViewRecords();
    void OnOptions();
    void RefreshStatus();

    void done(int result) override;

protected:
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QString SelectedName() const;
    void OnTimer();

    std::unique_ptr<Ui::ConfigureProjectsDlg> m_ui;
    CPunchwellApp& m_app;
    Prompts& m_prompts;
    Hooks m_hooks;
    bool m_bModified = false;
    std::int64_t m_lastSecond = 0;
    QTimer m_timer;
};
