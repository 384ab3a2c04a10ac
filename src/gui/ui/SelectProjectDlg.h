#pragma once

#include <QDialog>
#include <QString>

#include <functional>
#include <memory>

class CStore;

namespace Ui {
class SelectProjectDlg;
}

// Picks one project name from the sorted list of all projects.
class CSelectProjectDlg : public QDialog {
    Q_OBJECT

public:
    // `preselect` selects the first entry beginning with it, ignoring case; an empty one
    // selects nothing and leaves OK disabled until a choice is made. With
    // `firstWhenNoMatch` the first entry is selected when `preselect` selects none.
    CSelectProjectDlg(const CStore& store, const QString& preselect, QWidget* parent = nullptr,
                      bool firstWhenNoMatch = false);
    ~CSelectProjectDlg() override;

    // The chosen name after OK; empty when nothing was selected.
    QString GetSelection() const { return m_strSelection; }

    void accept() override;

private:
    std::unique_ptr<Ui::SelectProjectDlg> m_ui;
    QString m_strSelection;
};
