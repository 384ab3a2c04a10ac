#pragma once

#include "core/reports/ReportPort.h"

#include <QDialog>

#include <memory>

namespace Ui {
class WhatNextDlg;
}

// What Next?: view or print the report just written, or leave it.
class CWhatNextDlg : public QDialog {
    Q_OBJECT

public:
    explicit CWhatNextDlg(QWidget* parent = nullptr);
    ~CWhatNextDlg() override;

    // View ends the dialog accepted, Print too; anything else is Cancel.
    WhatNextChoice GetChoice() const { return m_choice; }

private:
    std::unique_ptr<Ui::WhatNextDlg> m_ui;
    WhatNextChoice m_choice = WhatNextChoice::Cancel;
};
