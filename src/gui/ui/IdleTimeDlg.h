#pragma once

#include "core/timing/IdleWatch.h"

#include <QDialog>

#include <memory>
#include <optional>

namespace Ui {
class IdleTimeDlg;
}

// The question about time away, shown on return. It does not block: timing and the rest of
// the program go on while it waits, and the answer goes out through `answered`. Closing it
// keeps the time, as Keep does.
class CIdleTimeDlg : public QDialog {
    Q_OBJECT

public:
    explicit CIdleTimeDlg(QWidget* parent = nullptr);
    ~CIdleTimeDlg() override;

    void SetQuestion(const IdleQuestion& question);
    const std::optional<IdleQuestion>& Question() const { return m_question; }

signals:
    void answered(IdleAnswer answer);

protected:
    void reject() override;

private:
    void Answer(IdleAnswer answer);

    std::unique_ptr<Ui::IdleTimeDlg> m_ui;
    std::optional<IdleQuestion> m_question;
};
