#pragma once

#include <QDialog>
#include <QString>

#include <cstdint>
#include <memory>

class CStore;
class CTask;
class Prompts;

namespace Ui {
class ProjectDlg;
}

// Enters a new project or changes one: name, hourly rate as dollars and cents, and a file
// opened at every check-in. The dialog never touches the store; the caller applies the
// values it reads back after OK.
class CProjectDlg : public QDialog {
    Q_OBJECT

public:
    enum Mode { AddMode = 1, EditMode = 2 };

    CProjectDlg(const CStore& store, Prompts& prompts, Mode mode, QWidget* parent = nullptr);
    ~CProjectDlg() override;

    // Edit mode: fill the fields from the project before the dialog opens.
    void SetValues(const CTask& task);

    QString GetName() const { return m_strName; }
    std::uint32_t GetDollars() const { return m_dwDollars; }
    std::uint8_t GetCents() const { return m_byCents; }
    bool IsFileUsed() const { return m_bUseFile; }
    QString GetFile() const { return m_strFile; }
    // Copies the values into a project (name, rate, file and its flag).
    void ApplyTo(CTask& task) const;

    void accept() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void MoveValuesToControls();
    // Reads name, cents, dollars, check box and path back, in that order; the first bad
    // number shows its message, takes the focus and stops the read.
    bool ReadControls();
    void NormaliseCents();
    // A point typed or pasted in the dollars box: the rest goes to the cents box.
    void OnDollarsEdited(const QString& text);
    // The cents box filled after a point holds a decimal fraction: "5" is 50 cents.
    void TakeCentsAfterPoint();
    void NormaliseDollars();
    void UpdateFileControls();
    void OnUseFileClicked();
    void OnBrowse();
    void RefuseNumber(const QString& text, class QLineEdit* edit);

    std::unique_ptr<Ui::ProjectDlg> m_ui;
    const CStore& m_store;
    Prompts& m_prompts;
    Mode m_nMode;
    QString m_strOriginalName;

    QString m_strName;
    std::uint32_t m_dwDollars = 0;
    std::uint8_t m_byCents = 0;
    bool m_bUseFile = false;
    QString m_strFile;
    bool m_bShownOnce = false;
    bool m_bCentsAfterPoint = false;
};
