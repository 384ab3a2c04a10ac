#include "gui/ui/IdleController.h"

#include "core/app/PunchwellSession.h"
#include "core/timing/IdleSource.h"
#include "gui/ui/IdleTimeDlg.h"

#include <QApplication>
#include <QWidget>

CIdleController::CIdleController(CPunchwellSession& session, QWidget& window)
    : QObject(&window), m_session(session), m_window(window) {
    m_listener = m_session.Subscribe([this](const SessionChanges&) { Refresh(); });
}

CIdleController::~CIdleController() {
    m_session.Unsubscribe(m_listener);
    m_session.Idle().SetSource(nullptr);
}

CIdleTimeDlg* CIdleController::Dialog() const {
    return m_dialog;
}

void CIdleController::SetSource(std::unique_ptr<IdleSource> source, const QString& whyNone) {
    m_session.Idle().SetSource(source.get());
    m_source = std::move(source);
    m_whyNone = m_source ? QString() : whyNone;
}

void CIdleController::Refresh() {
    // While an answer is being applied (its Notes dialog is open) the question stays away.
    if (m_bAnswering)
        return;
    const std::optional<IdleQuestion>& question = m_session.State().idleQuestion;
    const bool shown = m_dialog != nullptr && m_dialog->isVisible();
    if (!question) {
        // Withdrawn (checked out meanwhile), or waiting (locked, the notes of a check-out).
        if (shown)
            m_dialog->hide();
        return;
    }
    if (shown) {
        if (m_dialog->Question() != question)
            m_dialog->SetQuestion(*question);
        return;
    }
    // Another of the program's dialogs has the person's attention: ask once it is closed,
    // so the question is never stuck behind it.
    const QWidget* modal = QApplication::activeModalWidget();
    if (modal != nullptr && modal != &m_window)
        return;
    if (m_dialog == nullptr) {
        m_dialog = new CIdleTimeDlg(&m_window);
        connect(m_dialog, &CIdleTimeDlg::answered, this, &CIdleController::OnAnswered);
    }
    m_dialog->SetQuestion(*question);
    m_dialog->show();
    m_dialog->raise();
    m_dialog->activateWindow();
}

void CIdleController::OnAnswered(IdleAnswer answer) {
    if (m_dialog == nullptr || !m_dialog->Question())
        return;
    const IdleQuestion asked = *m_dialog->Question();
    m_bAnswering = true;
    // False when the notes were cancelled, or the question had changed meanwhile: either
    // way it comes back below as it now is.
    (void)m_session.AnswerIdle(asked, answer);
    m_bAnswering = false;
    Refresh();
}
