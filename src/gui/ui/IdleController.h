#pragma once

#include "core/timing/IdleQuestion.h"

#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

class CIdleTimeDlg;
class CPunchwellSession;
class IdleSource;
class QWidget;

// The Idle Time question on screen whenever the session's state has one, and the desktop's
// idle source that the session's idle watch reads.
class CIdleController : public QObject {
    Q_OBJECT

public:
    CIdleController(CPunchwellSession& session, QWidget& window);
    ~CIdleController() override;

    // The desktop's idle source picked at start-up; null, with the reason, where none
    // works: then only sleep is noticed.
    void SetSource(std::unique_ptr<IdleSource> source, const QString& whyNone);
    // Why time away from the keyboard cannot be seen here; empty when it can.
    const QString& WhyNoSource() const { return m_whyNone; }

    // The question's dialog once it has been shown; null before.
    CIdleTimeDlg* Dialog() const;

private:
    // Shows, updates or withdraws the question to match the session's state.
    void Refresh();
    void OnAnswered(IdleAnswer answer);

    CPunchwellSession& m_session;
    QWidget& m_window;
    int m_listener = 0;
    std::unique_ptr<IdleSource> m_source;
    QString m_whyNone;
    QPointer<CIdleTimeDlg> m_dialog;
    bool m_bAnswering = false;
};
