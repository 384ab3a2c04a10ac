#pragma once

#include <QByteArray>
#include <QObject>
#include <QString>

#include "core/platform/DataFolderLock.h"

#include <optional>

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

    explicit SingleInstance(const QString& dataDirectory, QObject* parent = nullptr);
    ~SingleInstance() override;

    Role Acquire();
    bool IsListening() const;
    QString ServerName() const { return m_serverName; }
    QString LockFilePath() const { return QString::fromStdString(m_lock.LockFilePath()); }
    // Why the lock could not be taken (Unguarded), naming the path and the cause.
    QString LockError() const { return QString::fromStdString(m_lock.ErrorMessage()); }

    // For a secondary start: asks the running program to show its window and, when `file`
    // is not empty, to open that file (an absolute path). Retries the connection for a
    // while, since the holder may have the lock before it listens. True once acknowledged.
    bool SendToPrimary(const QString& file, int timeoutMs = 2500) const;

    // The wire form: a 32-bit big-endian length, then the payload.
    static QByteArray EncodeMessage(const QString& file);
    // The request in a payload: nullopt when it is malformed; otherwise the file (may be empty).
    static std::optional<QString> DecodePayload(const QByteArray& payload);
    static QString ServerNameFor(const QString& dataDirectory);

signals:
    void showRequested();
    void fileHandedOver(const QString& absolutePath);

private:
    void OnNewConnection();
    void OnReadyRead(QLocalSocket* socket);

    QString m_serverName;
    QString m_dataDirectory;
    CDataFolderLock m_lock;
    QLocalServer* m_server = nullptr;
};
