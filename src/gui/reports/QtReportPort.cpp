#include "gui/reports/QtReportPort.h"

#include "core/app/PunchwellApp.h"
#include "gui/reports/ReportOptionsDlg.h"
#include "gui/reports/WhatNextDlg.h"

#include <QDesktopServices>
#include <QFile>
#include <QFileInfo>
#include <QPrintDialog>
#include <QPrinter>
#include <QStringDecoder>
#include <QTextDocument>
#include <QUrl>

namespace {

constexpr const char* kAppCaption = "Punchwell";

// Our reports are plain ASCII; a page saved from elsewhere is most likely UTF-8, and one
// that is not is read as Latin-1, which takes every byte.
QString DecodeHtml(const QByteArray& bytes) {
    QStringDecoder utf8(QStringConverter::Utf8);
    const QString text = utf8.decode(bytes);
    return utf8.hasError() ? QString::fromLatin1(bytes) : text;
}

} // namespace

CQtReportPort::CQtReportPort(CPunchwellApp& app, Prompts& prompts, QWidget* parent)
    : m_app(app), m_prompts(prompts), m_parent(parent) {}

std::optional<ReportOptions> CQtReportPort::ChooseReportOptions(std::uint16_t pageLines) {
    CReportOptionsDlg dialog(m_app, m_prompts, pageLines, m_parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetOptions();
}

std::optional<std::string> CQtReportPort::ChooseReportFile(const FileDialogRequest& request) {
    return m_prompts.ChooseSaveFile(request);
}

void CQtReportPort::ShowMessage(const std::string& caption, const std::string& text,
                                MessageIcon icon, bool owned) {
    m_prompts.Ask(caption, text, icon, MessageButtons::Ok, owned);
}

WhatNextChoice CQtReportPort::AskWhatNext() {
    CWhatNextDlg dialog(m_parent);
    dialog.exec();
    return dialog.GetChoice();
}

void CQtReportPort::OpenReport(const std::string& path, WhatNextChoice how) {
    // The desktop needs an absolute path.
    const QString file = QFileInfo(QString::fromStdString(path)).absoluteFilePath();
    switch (how) {
    case WhatNextChoice::View:
        // Whatever the desktop makes of it is its own affair: no program for HTML files is
        // not the report's failure.
        QDesktopServices::openUrl(QUrl::fromLocalFile(file));
        break;
    case WhatNextChoice::Print:
        PrintReport(file);
        break;
    case WhatNextChoice::Cancel:
        break;
    }
}

bool CQtReportPort::PrintReportFile(const QString& path, QPrinter& printer, QString* error) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        if (error)
            *error = file.errorString();
        return false;
    }
    const QString html = DecodeHtml(file.readAll());
    QTextDocument document;
    document.setHtml(html);
    document.print(&printer);
    return true;
}

void CQtReportPort::PrintReport(const QString& path) {
    // Read first: a file that is gone is worth saying before anyone picks a printer.
    if (!QFileInfo(path).isReadable()) {
        m_prompts.Ask(
            kAppCaption,
            tr("The report %1 could not be printed: it cannot be read.").arg(path).toStdString(),
            MessageIcon::Exclamation, MessageButtons::Ok);
        return;
    }
    QPrinter printer(QPrinter::HighResolution);
    printer.setDocName(QFileInfo(path).fileName());
    QPrintDialog dialog(&printer, m_parent);
    dialog.setWindowTitle(tr("Print"));
    if (dialog.exec() != QDialog::Accepted)
        return;
    QString error;
    if (!PrintReportFile(path, printer, &error))
        m_prompts.Ask(kAppCaption,
                      tr("The report %1 could not be printed: %2").arg(path, error).toStdString(),
                      MessageIcon::Exclamation, MessageButtons::Ok);
}
