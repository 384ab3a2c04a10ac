#include "gui/ui/NotesDlg.h"

#include "core/app/PunchwellApp.h"
#include "ui_NotesDlg.h"

#include <QPushButton>

CNotesDlg::CNotesDlg(CPunchwellApp& app, const QString& project, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::NotesDlg>()), m_app(app) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    setWindowTitle(tr("Notes For ") + project);
    m_ui->showNotesCheck->setChecked(m_app.GetOptions().m_bShowNotes != 0);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CNotesDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CNotesDlg::reject);
    m_ui->notesEdit->setFocus();
}

CNotesDlg::~CNotesDlg() = default;

void CNotesDlg::SetNotes(const QString& notes) {
    m_strNotes = notes;
    QString lines = notes;
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    m_ui->notesEdit->setPlainText(lines);
}

void CNotesDlg::accept() {
    // The data file separates the lines of notes with CR LF; the edit gives LF alone.
    m_strNotes = m_ui->notesEdit->toPlainText();
    m_strNotes.replace(QLatin1Char('\n'), QStringLiteral("\r\n"));
    COptions options = m_app.GetOptions();
    options.m_bShowNotes = m_ui->showNotesCheck->isChecked() ? 1 : 0;
    m_app.SetOptions(options);
    QDialog::accept();
}
