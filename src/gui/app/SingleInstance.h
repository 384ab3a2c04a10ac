#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "core/platform/DataFolderLock.h"

#include <functional>
#include <optional>
#include <string>

class QLocalServer;
class QLocalSocket;

// One running program per data folder. The lock file in the data folder decides who runs
// (and guards the data files); the holder listens on a local socket through which a later
// start hands over its request and then ends without touching any file.
class SingleInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Primary,   // holds the lock and listens
        Secondary, // another live process holds the lock
        Unguarded, // the lock could not be taken for another reason; run anyway
    };

    // The payload cap; anything longer is dropped unread.
    static constexpr qint64 kMaxMessageSize = 64 * 1024;

    // Runs a control request (its payload) and gives the reply payload. It may wait for the
    // person (a Notes dialog); the client waits meanwhile.
    using ControlHandler = std::function<std::string(const std::string& payload)>;

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    // How long a later start waits for a busy running program before it gives up.
    static constexpr int kHandOverTimeoutMs = 10000;

    Role Acquire();
    bool IsListening() const;
    bool HoldsLock() const { return m_lock.IsHeld(); }
    // When the lock holder could not listen: the socket and the cause, ready to show.
    QString ListenError() const { return m_listenError; }
    // For a refused start: who holds the lock as it wrote it ("punchwell-cli 1234"), or empty.
    QString OtherHolder() const { return QString::fromStdString(m_lock.OtherHolder()); }
    QString ServerName() const { return m_serverName; }
    QString LockFilePath() const { return QString::fromStdString(m_lock.LockFilePath()); }
    // Why the lock could not be taken (Unguarded), naming the path and the cause.
    QString LockError() const { return QString::fromStdString(m_lock.ErrorMessage()); }

    enum class HandOver {
        Delivered, // the running program acknowledged the request
        TookOver,  // the lock came free meanwhile: this start now holds it (and listens)
        NoAnswer,  // nobody answered in time
    };
    // For a secondary start: asks the running program to show its window and, when `file`
    // is not empty, to open that file (an absolute path). Retries for a while, since the
    // holder may have the lock before it listens, or be busy; a lock that comes free
    // meanwhile (a cli command that finished, a program that ended) is taken instead.
    HandOver SendToPrimary(const QString& file, int timeoutMs = kHandOverTimeoutMs);

    enum class Delivery { NotListening, Delivered, Refused };
    // One attempt to deliver a framed message to the server at `serverName`; Refused when
    // it is run by another user or does not acknowledge.
    static Delivery Deliver(const QString& serverName, const QByteArray& message, int timeoutMs);
    // Whether the process at the other end of a connected local socket runs as this user.
    static bool PeerIsThisUser(qintptr socketDescriptor);

    // The wire form: a 32-bit big-endian length, then the payload.
    static QByteArray EncodeMessage(const QString& file);
    // The request in a payload: nullopt when it is malformed; otherwise the file (may be empty).
    static std::optional<QString> DecodePayload(const QByteArray& payload);
    // A full path in the per-user runtime folder (a private pipe name on Windows); empty
    // when there is no such folder.
    static QString ServerNameFor(const QString& dataDirectory);

    // Commands of punchwell-cli arrive here; without a handler they are answered as refused.
    void SetControlHandler(ControlHandler handler) { m_controlHandler = std::move(handler); }

signals:
    void showRequested();
    void fileHandedOver(const QString& absolutePath);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);
    void AnswerControl(QLocalSocket* socket, const QByteArray& payload);

    bool Listen();

    QString m_serverName;
    QString m_dataDirectory;
    QString m_listenError;
    CDataFolderLock m_lock;
    QLocalServer* m_server = nullptr;
    ControlHandler m_controlHandler;
};
