#pragma once

#include <QDialog>
#include <QString>

#include <memory>

class CPunchwellApp;

namespace Ui {
class NotesDlg;
}

// The notes of one time period, typed at check-out or edited later. Its check box decides
// whether check-out shows it; OK stores that choice with the other options at once.
class CNotesDlg : public QDialog {
    Q_OBJECT

public:
    CNotesDlg(CPunchwellApp& app, const QString& project, QWidget* parent = nullptr);
    ~CNotesDlg() override;

    // Notes as stored, their lines separated by CR LF; the edit shows them as plain lines.
    void SetNotes(const QString& notes);
    // The notes as typed, valid after OK, in the stored form: lines separated by CR LF.
    QString GetNotes() const { return m_strNotes; }

    void accept() override;

private:
    std::unique_ptr<Ui::NotesDlg> m_ui;
    CPunchwellApp& m_app;
    QString m_strNotes;
};
