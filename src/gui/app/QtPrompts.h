#pragma once

#include "core/app/Prompts.h"

#include <QMessageBox>
#include <QPointer>
#include <QWidget>

class CMergeProgressDlg;
class CPunchwellApp;

// The desktop's answer to the core's questions: real message boxes, file dialogs and the
// program's own dialogs. The one place in the program that opens a QMessageBox or a
// QFileDialog.
class QtPrompts : public Prompts {
public:
    QtPrompts();
    ~QtPrompts() override;

    // The application whose store and options the program's dialogs work on.
    void SetApp(CPunchwellApp* app) { m_app = app; }

    // The window that owned boxes belong to; unset (or gone) means the active window.
    void SetOwner(QWidget* owner) { m_owner = owner; }

    MessageAnswer Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                      MessageButtons buttons, bool owned = true,
                      std::optional<MessageAnswer> defaultAnswer = std::nullopt) override;

    std::optional<std::string> ChooseOpenFile(const FileDialogRequest& request) override;
    std::optional<std::string> ChooseSaveFile(const FileDialogRequest& request) override;

    std::optional<std::string> AskNotes(const std::string& project,
                                        const std::string& notes) override;
    std::optional<std::string> SelectProject(const std::string& preselect,
                                             bool firstWhenNoMatch = false) override;
    std::unique_ptr<CTask> AddProject() override;
    bool OpenWithShell(const std::string& path) override;
    std::optional<std::string> AskNewPassword() override;
    bool AskPassword(const std::string& expected) override;
    bool ConfirmLock(bool& askAgain) override;
    std::optional<LoadMethod> ChooseLoadMethod(bool owned) override;
    void ShowProgress(bool owned) override;
    void SetProgress(std::size_t done, std::size_t total) override;
    void HideProgress() override;
    void ShowWaiting(bool waiting) override;
    std::optional<DatedCopy> ChooseDatedCopy(const std::vector<DatedCopySummary>& copies,
                                             const std::string& folder) override;

    static QMessageBox::Icon ToQtIcon(MessageIcon icon);
    static QMessageBox::StandardButtons ToQtButtons(MessageButtons buttons);
    static QMessageBox::StandardButton ToQtButton(MessageAnswer answer);

private:
    QWidget* Parent(bool owned) const;
    std::optional<std::string> ChooseFile(const FileDialogRequest& request, bool save);

    QPointer<QWidget> m_owner;
    std::unique_ptr<CMergeProgressDlg> m_progress;
    CPunchwellApp* m_app = nullptr;
};
