#include "gui/ui/LoadDataFileDlg.h"

#include "core/app/Prompts.h"
#include "gui/ui/HelpWindow.h"
#include "ui_LoadDataFileDlg.h"

#include <QPushButton>
#include <QRadioButton>

CLoadDataFileDlg::CLoadDataFileDlg(Prompts& prompts, QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::LoadDataFileDlg>()), m_prompts(prompts) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    connect(m_ui->okButton, &QPushButton::clicked, this, &CLoadDataFileDlg::accept);
    connect(m_ui->cancelButton, &QPushButton::clicked, this, &CLoadDataFileDlg::reject);
    connect(m_ui->helpButton, &QPushButton::clicked, this,
            [this] { CHelpWindow::ShowContext(kHelpContext, this); });
    connect(m_ui->replaceRadio, &QRadioButton::toggled, this, &CLoadDataFileDlg::ShowInfo);
    connect(m_ui->mergeRadio, &QRadioButton::toggled, this, &CLoadDataFileDlg::ShowInfo);
    ShowInfo();
}

CLoadDataFileDlg::~CLoadDataFileDlg() = default;

std::optional<LoadMethod> CLoadDataFileDlg::Choose(Prompts& prompts, QWidget* parent) {
    CLoadDataFileDlg dialog(prompts, parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.GetMethod();
}

void CLoadDataFileDlg::ShowInfo() {
    QString text;
    if (m_ui->replaceRadio->isChecked())
        text = tr("If this option is used, then Punchwell will take the current data, and "
                  "replace it with the data from the selected file.");
    else if (m_ui->mergeRadio->isChecked())
        text = tr("If this option is used, then Punchwell will take the data from the selected "
                  "file, and add it to the current data file. Any records that overlap will be "
                  "merged.");
    else
        text = tr("Information about the selected option will appear here.");
    m_ui->infoEdit->setPlainText(text);
}

void CLoadDataFileDlg::accept() {
    if (m_ui->replaceRadio->isChecked()) {
        m_method = LoadMethod::ReplaceAll;
    } else if (m_ui->mergeRadio->isChecked()) {
        m_method = LoadMethod::MergeFiles;
    } else {
        m_prompts.Ask(tr("No Method Selected").toStdString(),
                      tr("Please select a method for loading the Punchwell data.").toStdString(),
                      MessageIcon::Information, MessageButtons::Ok, parentWidget() != nullptr);
        return;
    }
    QDialog::accept();
}
