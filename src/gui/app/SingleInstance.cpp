#include "gui/app/SingleInstance.h"

#include "core/app/ControlCommands.h"
#include "core/app/ControlProtocol.h"
#include "core/platform/ControlChannel.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QPointer>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QtEndian>

#ifdef Q_OS_UNIX
#include <sys/socket.h>
#include <sys/types.h>
#include <unistd.h>
#endif

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("punchwell/1 show");
const char kAcknowledge = 'K';
constexpr int kHeaderSize = 4;
// A client that does not finish its message in this time is dropped.
constexpr int kClientTimeoutMs = 5000;

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_serverName(ServerNameFor(dataDirectory)), m_dataDirectory(dataDirectory),
      m_lock("punchwell") {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

QString SingleInstance::ServerNameFor(const QString& dataDirectory) {
#ifdef Q_OS_WIN
    return QString::fromStdString(
        channel::ControlServerName(QDir::toNativeSeparators(dataDirectory).toStdString()));
#else
    // Not a predictable name in /tmp, which another account could take first: the runtime
    // folder belongs to this user alone (Qt checks its owner and its 0700 mode). The file
    // name comes from core, so that punchwell-cli finds the same socket without Qt.
    const QString runtime = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (runtime.isEmpty())
        return {};
    return QDir(runtime).filePath(QString::fromStdString(
        channel::ControlSocketFileName(QDir::toNativeSeparators(dataDirectory).toStdString())));
#endif
}

bool SingleInstance::PeerIsThisUser(qintptr socketDescriptor) {
#if defined(Q_OS_LINUX)
    struct ucred peer {};
    socklen_t size = sizeof peer;
    if (::getsockopt(static_cast<int>(socketDescriptor), SOL_SOCKET, SO_PEERCRED, &peer, &size) !=
        0)
        return false;
    return peer.uid == ::geteuid();
#elif defined(Q_OS_UNIX)
    uid_t uid = 0;
    gid_t gid = 0;
    if (::getpeereid(static_cast<int>(socketDescriptor), &uid, &gid) != 0)
        return false;
    return uid == ::geteuid();
#else
    // The pipe was created with access for this user only.
    (void)socketDescriptor;
    return true;
#endif
}

SingleInstance::Role SingleInstance::Acquire() {
    // The system releases the lock when its holder dies, so a crash never leaves it stale.
    switch (m_lock.TryAcquire(QDir::toNativeSeparators(m_dataDirectory).toStdString())) {
    case CDataFolderLock::Status::HeldByOther:
        return Role::Secondary;
    case CDataFolderLock::Status::Error:
        return Role::Unguarded;
    case CDataFolderLock::Status::Held:
        break;
    }

    Listen();
    return Role::Primary;
}

bool SingleInstance::Listen() {
    if (m_serverName.isEmpty()) {
        m_listenError = tr("there is no private runtime folder for this user");
        return false;
    }
    // Only the lock holder may clear a socket left by a crash: listening with user access
    // would silently replace a live one.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        m_listenError = QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(m_serverName),
                                                     m_server->errorString());
        delete m_server;
        m_server = nullptr;
        return false;
    }
    m_listenError.clear();
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return true;
}

bool SingleInstance::IsListening() const {
    return m_server && m_server->isListening();
}

QByteArray SingleInstance::EncodeMessage(const QString& file) {
    QByteArray payload = kShowRequest;
    if (!file.isEmpty())
        payload += '\n' + file.toUtf8();
    QByteArray message(kHeaderSize, '\0');
    qToBigEndian<quint32>(static_cast<quint32>(payload.size()), message.data());
    return message + payload;
}

std::optional<QString> SingleInstance::DecodePayload(const QByteArray& payload) {
    if (!payload.startsWith(kShowRequest))
        return std::nullopt;
    if (payload.size() == kShowRequest.size())
        return QString();
    if (payload.at(kShowRequest.size()) != '\n')
        return std::nullopt;
    const QByteArray pathBytes = payload.mid(kShowRequest.size() + 1);
    if (pathBytes.isEmpty() || pathBytes.contains('\0'))
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8);
    const QString path = decoder(pathBytes);
    if (decoder.hasError() || !QDir::isAbsolutePath(path))
        return std::nullopt;
    return path;
}

SingleInstance::Delivery SingleInstance::Deliver(const QString& serverName,
                                                 const QByteArray& message, int timeoutMs) {
    if (serverName.isEmpty())
        return Delivery::NotListening;
    QDeadlineTimer deadline(timeoutMs);
    QLocalSocket socket;
    socket.connectToServer(serverName);
    if (!socket.waitForConnected(
            qMax(1, static_cast<int>(qMin<qint64>(500, deadline.remainingTime())))))
        return Delivery::NotListening;
    // Another account's listener must never see the request (it may name a file).
    if (!PeerIsThisUser(socket.socketDescriptor()))
        return Delivery::Refused;
    socket.write(message);
    while (socket.bytesToWrite() > 0 && !deadline.hasExpired())
        socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
    while (socket.bytesAvailable() < 1 && !deadline.hasExpired() &&
           socket.state() == QLocalSocket::ConnectedState)
        socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
    char reply = 0;
    return socket.read(&reply, 1) == 1 && reply == kAcknowledge ? Delivery::Delivered
                                                                : Delivery::Refused;
}

SingleInstance::HandOver SingleInstance::SendToPrimary(const QString& file, int timeoutMs) {
    const QByteArray message = EncodeMessage(file);
    if (message.size() - kHeaderSize > kMaxMessageSize)
        return HandOver::NoAnswer;
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        const qint64 left = deadline.remainingTime();
        switch (Deliver(m_serverName, message, static_cast<int>(qMax<qint64>(1, left)))) {
        case Delivery::Delivered:
            return HandOver::Delivered;
        case Delivery::Refused:
            // A listener that took the message and gave no answer (or a stranger's) is not
            // asked again: the request must not arrive twice.
            return HandOver::NoAnswer;
        case Delivery::NotListening:
            break;
        }
        // The holder may have ended (or been a cli command that finished) meanwhile.
        if (m_lock.TryAcquire(QDir::toNativeSeparators(m_dataDirectory).toStdString()) ==
            CDataFolderLock::Status::Held) {
            Listen();
            return HandOver::TookOver;
        }
        if (deadline.hasExpired())
            return HandOver::NoAnswer;
        QThread::msleep(100);
    }
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        // The socket's folder is private already; this also holds where it is not.
        if (!PeerIsThisUser(socket->socketDescriptor())) {
            socket->abort();
            socket->deleteLater();
            continue;
        }
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        // Only the request must arrive in time; a command may then wait for the person.
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] {
            if (!socket->property("handled").toBool())
                socket->abort();
        });
        if (socket->bytesAvailable() > 0)
            OnReadyRead(socket);
    }
}

void SingleInstance::OnReadyRead(QLocalSocket* socket) {
    if (socket->property("handled").toBool())
        return;
    if (socket->bytesAvailable() < kHeaderSize)
        return;
    char header[kHeaderSize];
    socket->peek(header, kHeaderSize);
    const quint32 size = qFromBigEndian<quint32>(header);
    if (size == 0 || size > kMaxMessageSize) {
        socket->abort();
        return;
    }
    if (socket->bytesAvailable() < kHeaderSize + static_cast<qint64>(size))
        return;
    socket->skip(kHeaderSize);
    const QByteArray payload = socket->read(size);
    socket->setProperty("handled", true);
    if (control::IsControlPayload(std::string_view(payload.constData(), payload.size()))) {
        AnswerControl(socket, payload);
        return;
    }
    const std::optional<QString> request = DecodePayload(payload);
    if (!request) {
        socket->abort();
        return;
    }
    // Answer first: what the request opens may run a modal loop for a long time.
    socket->write(&kAcknowledge, 1);
    socket->flush();
    socket->disconnectFromServer();

    const QString file = *request;
    QTimer::singleShot(0, this, [this, file] {
        emit showRequested();
        if (!file.isEmpty())
            emit fileHandedOver(file);
    });
}

void SingleInstance::AnswerControl(QLocalSocket* socket, const QByteArray& payload) {
    // Run from the event loop, not inside the socket's signal: the command may open a dialog.
    QTimer::singleShot(0, this, [this, guard = QPointer<QLocalSocket>(socket), payload] {
        const std::string request(payload.constData(), static_cast<std::size_t>(payload.size()));
        const std::string reply =
            m_controlHandler
                ? m_controlHandler(request)
                : control::EncodeReply({kControlDialogOpen,
                                        {},
                                        "Punchwell is not ready for commands yet. Nothing was "
                                        "changed."});
        if (!guard)
            return; // the client went away; the command was done all the same
        const std::string framed = control::Frame(reply);
        guard->write(framed.data(), static_cast<qint64>(framed.size()));
        guard->flush();
        guard->disconnectFromServer();
    });
}
