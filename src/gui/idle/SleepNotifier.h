#pragma once

#include <QDBusConnection>
#include <QObject>

// Linux: logind's word that the computer goes to sleep or has woken, on the system bus.
class CSleepNotifier : public QObject {
    Q_OBJECT

public:
    explicit CSleepNotifier(const QDBusConnection& bus = QDBusConnection::systemBus(),
                            QObject* parent = nullptr);
    // False where there is no system bus or no logind to listen to.
    bool IsListening() const { return m_bListening; }

signals:
    void sleepChanged(bool sleeping);

private slots:
    void OnPrepareForSleep(bool sleeping);

private:
    bool m_bListening = false;
};
