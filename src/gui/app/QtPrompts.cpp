#include "gui/app/QtPrompts.h"

#include "core/app/PunchwellApp.h"
#include "gui/ui/DialogFitter.h"
#include "gui/ui/EnterPasswordDlg.h"
#include "gui/ui/LoadDataFileDlg.h"
#include "gui/ui/LockDlg.h"
#include "gui/ui/MergeProgressDlg.h"
#include "gui/ui/NewPasswordDlg.h"
#include "gui/ui/NotesDlg.h"
#include "gui/ui/PasswordText.h"
#include "gui/ui/ProjectDlg.h"
#include "gui/ui/RestoreBackupDlg.h"
#include "gui/ui/SelectProjectDlg.h"

#include <QApplication>
#include <QDesktopServices>
#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGridLayout>
#include <QSpacerItem>
#include <QUrl>

QMessageBox::Icon QtPrompts::ToQtIcon(MessageIcon icon) {
    switch (icon) {
    case MessageIcon::Stop:
        return QMessageBox::Critical;
    case MessageIcon::Exclamation:
        return QMessageBox::Warning;
    case MessageIcon::Question:
        return QMessageBox::Question;
    case MessageIcon::Information:
        return QMessageBox::Information;
    case MessageIcon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

QMessageBox::StandardButtons QtPrompts::ToQtButtons(MessageButtons buttons) {
    switch (buttons) {
    case MessageButtons::Ok:
        return QMessageBox::Ok;
    case MessageButtons::OkCancel:
        return QMessageBox::Ok | QMessageBox::Cancel;
    case MessageButtons::YesNo:
        return QMessageBox::Yes | QMessageBox::No;
    case MessageButtons::YesNoCancel:
        return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    }
    return QMessageBox::Ok;
}

QMessageBox::StandardButton QtPrompts::ToQtButton(MessageAnswer answer) {
    switch (answer) {
    case MessageAnswer::Ok:
        return QMessageBox::Ok;
    case MessageAnswer::Cancel:
        return QMessageBox::Cancel;
    case MessageAnswer::Yes:
        return QMessageBox::Yes;
    case MessageAnswer::No:
        return QMessageBox::No;
    }
    return QMessageBox::Ok;
}

QWidget* QtPrompts::Parent(bool owned) const {
    if (!owned)
        return nullptr;
    return m_owner ? m_owner.data() : QApplication::activeWindow();
}

MessageAnswer QtPrompts::Ask(const std::string& caption, const std::string& text, MessageIcon icon,
                             MessageButtons buttons, bool owned,
                             std::optional<MessageAnswer> defaultAnswer) {
    QMessageBox box(ToQtIcon(icon), QString::fromStdString(caption), QString::fromStdString(text),
                    ToQtButtons(buttons), Parent(owned));
    // At least as wide as the caption ("Restore Complete" over a short text would have it
    // cut by the window manager): the box sizes itself to its layout.
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(CDialogFitter::CaptionWidth(&box), 0), grid->rowCount(), 0, 1,
                      grid->columnCount());
    // Paths and project names are shown as typed, never read as markup.
    box.setTextFormat(Qt::PlainText);
    // The first button is the default, as on the classic message box, unless the question
    // names the one that changes nothing.
    box.setDefaultButton(defaultAnswer ? ToQtButton(*defaultAnswer)
                         : buttons == MessageButtons::YesNo ||
                                 buttons == MessageButtons::YesNoCancel
                             ? QMessageBox::Yes
                             : QMessageBox::Ok);
    if (buttons == MessageButtons::OkCancel || buttons == MessageButtons::YesNoCancel)
        box.setEscapeButton(QMessageBox::Cancel);
    else if (buttons == MessageButtons::Ok)
        box.setEscapeButton(QMessageBox::Ok);

    const int result = box.exec();
    switch (result) {
    case QMessageBox::Ok:
        return MessageAnswer::Ok;
    case QMessageBox::Cancel:
        return MessageAnswer::Cancel;
    case QMessageBox::Yes:
        return MessageAnswer::Yes;
    case QMessageBox::No:
        return MessageAnswer::No;
    default:
        break;
    }
    // Closed without a button: the answer that changes nothing.
    switch (buttons) {
    case MessageButtons::Ok:
        return MessageAnswer::Ok;
    case MessageButtons::YesNo:
        return MessageAnswer::No;
    case MessageButtons::OkCancel:
    case MessageButtons::YesNoCancel:
        break;
    }
    return MessageAnswer::Cancel;
}

std::optional<std::string> QtPrompts::ChooseFile(const FileDialogRequest& request, bool save) {
    QFileDialog dialog(Parent(true), QString::fromStdString(request.caption));
    dialog.setAcceptMode(save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dialog.setFileMode(save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    if (!request.filter.empty())
        dialog.setNameFilter(QString::fromStdString(request.filter));
    if (!request.defaultSuffix.empty())
        dialog.setDefaultSuffix(QString::fromStdString(request.defaultSuffix));
    if (!request.initialName.empty())
        dialog.selectFile(QString::fromStdString(request.initialName));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return QDir::toNativeSeparators(dialog.selectedFiles().constFirst()).toStdString();
}

std::optional<std::string> QtPrompts::ChooseOpenFile(const FileDialogRequest& request) {
    return ChooseFile(request, false);
}

std::optional<std::string> QtPrompts::ChooseSaveFile(const FileDialogRequest& request) {
    return ChooseFile(request, true);
}

std::optional<std::string> QtPrompts::AskNotes(const std::string& project,
                                               const std::string& notes) {
    if (m_app == nullptr)
        return std::nullopt;
    CNotesDlg dialog(*m_app, QString::fromStdString(project), Parent(true));
    dialog.SetNotes(QString::fromStdString(notes));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetNotes().toStdString();
}

std::optional<std::string> QtPrompts::SelectProject(const std::string& preselect,
                                                    bool firstWhenNoMatch) {
    if (m_app == nullptr)
        return std::nullopt;
    CSelectProjectDlg dialog(m_app->Store(), QString::fromStdString(preselect), Parent(true),
                             firstWhenNoMatch);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetSelection().toStdString();
}

std::unique_ptr<CTask> QtPrompts::AddProject() {
    if (m_app == nullptr)
        return nullptr;
    CProjectDlg dialog(m_app->Store(), *this, CProjectDlg::AddMode, Parent(true));
    if (dialog.exec() != QDialog::Accepted)
        return nullptr;
    auto task = std::make_unique<CTask>();
    dialog.ApplyTo(*task);
    return task;
}

bool QtPrompts::OpenWithShell(const std::string& path) {
    // The desktop needs an absolute path; a relative one is taken from the working folder.
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    return QDesktopServices::openUrl(QUrl::fromLocalFile(file));
}

std::optional<std::string> QtPrompts::AskNewPassword() {
    CNewPasswordDlg dialog(*this, Parent(true));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return PasswordBytes(dialog.GetPassword());
}

bool QtPrompts::AskPassword(const std::string& expected) {
    CEnterPasswordDlg dialog(*this, expected, Parent(true));
    return dialog.exec() == QDialog::Accepted;
}

bool QtPrompts::ConfirmLock(bool& askAgain) {
    CLockDlg dialog(askAgain, Parent(true));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    askAgain = dialog.GetAskAgain();
    return true;
}

QtPrompts::QtPrompts() = default;
QtPrompts::~QtPrompts() = default;

std::optional<LoadMethod> QtPrompts::ChooseLoadMethod(bool owned) {
    return CLoadDataFileDlg::Choose(*this, Parent(owned));
}

void QtPrompts::ShowProgress(bool owned) {
    m_progress = std::make_unique<CMergeProgressDlg>(Parent(owned));
    m_progress->Open();
}

void QtPrompts::SetProgress(std::size_t done, std::size_t total) {
    if (m_progress)
        m_progress->SetProgress(done, total);
}

void QtPrompts::HideProgress() {
    m_progress.reset();
}

void QtPrompts::ShowWaiting(bool waiting) {
    if (waiting)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

std::optional<DatedCopy> QtPrompts::ChooseDatedCopy(const std::vector<DatedCopySummary>& copies,
                                                    const std::string& folder) {
    CRestoreBackupDlg dialog(copies, QString::fromStdString(folder), Parent(true));
    if (dialog.exec() != QDialog::Accepted || dialog.GetSelected() == nullptr)
        return std::nullopt;
    return dialog.GetSelected()->copy;
}
