#include "gui/reports/WhatNextDlg.h"

#include "ui_WhatNextDlg.h"

CWhatNextDlg::CWhatNextDlg(QWidget* parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::WhatNextDlg>()) {
    m_ui->setupUi(this);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);

    connect(m_ui->viewButton, &QPushButton::clicked, this, [this] {
        m_choice = WhatNextChoice::View;
        accept();
    });
    connect(m_ui->printButton, &QPushButton::clicked, this, [this] {
        m_choice = WhatNextChoice::Print;
        accept();
    });
    connect(m_ui->cancelButton, &QPushButton::clicked, this, [this] {
        m_choice = WhatNextChoice::Cancel;
        reject();
    });
}

CWhatNextDlg::~CWhatNextDlg() = default;
