#pragma once

#include <QDialog>

#include <cstdint>
#include <memory>

class Prompts;

namespace Ui {
class TitlePageDlg;
}

// Title Page Options: the number of blank lines below the title page's item list, 5 to 50.
class CTitlePageDlg : public QDialog {
    Q_OBJECT

public:
    CTitlePageDlg(Prompts& prompts, std::uint16_t pageLines, QWidget* parent = nullptr);
    ~CTitlePageDlg() override;

    // The value after OK.
    std::uint16_t GetPageLines() const { return m_wPageLines; }

    void accept() override;

private:
    std::unique_ptr<Ui::TitlePageDlg> m_ui;
    Prompts& m_prompts;
    std::uint16_t m_wPageLines;
};
