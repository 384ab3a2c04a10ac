#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class DeletePeriodDlg;
}

// Asks how a time period is to be deleted: permanently, or safely (restorable).
class CDeletePeriodDlg : public QDialog {
    Q_OBJECT

public:
    enum Method { Permanent = 0, Safe = 1 };

    explicit CDeletePeriodDlg(QWidget* parent = nullptr);
    ~CDeletePeriodDlg() override;

    Method GetMethod() const;

private:
    void ShowInfo();

    std::unique_ptr<Ui::DeletePeriodDlg> m_ui;
};
