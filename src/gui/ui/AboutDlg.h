#pragma once

#include <QDialog>

class CHyperLink;

// The program's name, version and licence, with a link to its home page.
class CAboutDlg : public QDialog {
    Q_OBJECT

public:
    static constexpr const char* kHomePage = "https://punchwell.example.org";

    explicit CAboutDlg(QWidget* parent = nullptr);

    CHyperLink* Link() const { return m_link; }

private:
    CHyperLink* m_link = nullptr;
};
