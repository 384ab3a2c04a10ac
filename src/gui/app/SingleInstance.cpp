#include "gui/app/SingleInstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStringDecoder>
#include <QThread>
#include <QTimer>
#include <QtEndian>

namespace {

const QByteArray kShowRequest = QByteArrayLiteral("punchwell/1 show");
const char kAcknowledge = 'K';
constexpr int kHeaderSize = 4;
// A client that does not finish its message in this time is dropped.
constexpr int kClientTimeoutMs = 5000;

QString UserName() {
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        name = qEnvironmentVariable("USERNAME");
    if (name.isEmpty())
        name = qEnvironmentVariable("LOGNAME");
    QString safe;
    for (QChar c : name)
        safe += (c.isLetterOrNumber() && c.unicode() < 128) || c == QLatin1Char('_') ||
                        c == QLatin1Char('-') || c == QLatin1Char('.')
                    ? c
                    : QLatin1Char('_');
    return safe.isEmpty() ? QStringLiteral("user") : safe.left(32);
}

} // namespace

SingleInstance::SingleInstance(const QString& dataDirectory, QObject* parent)
    : QObject(parent), m_serverName(ServerNameFor(dataDirectory)), m_dataDirectory(dataDirectory),
      m_lock("punchwell") {}

SingleInstance::~SingleInstance() {
    if (m_server)
        m_server->close();
}

QString SingleInstance::ServerNameFor(const QString& dataDirectory) {
    QFileInfo info(dataDirectory);
    QString path = info.canonicalFilePath();
    if (path.isEmpty())
        path = info.absoluteFilePath();
#ifdef Q_OS_WIN
    path = path.toLower();
#endif
    const QByteArray hash =
        QCryptographicHash::hash(path.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return QStringLiteral("punchwell-%1-%2").arg(UserName(), QString::fromLatin1(hash));
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

    // Only the lock holder may clear a socket left by a crash: listening with user access
    // would silently replace a live one.
    QLocalServer::removeServer(m_serverName);
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    if (!m_server->listen(m_serverName)) {
        qWarning("Punchwell: cannot listen for other starts on %s: %s", qPrintable(m_serverName),
                 qPrintable(m_server->errorString()));
        delete m_server;
        m_server = nullptr;
        return Role::Primary;
    }
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::OnNewConnection);
    return Role::Primary;
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

bool SingleInstance::SendToPrimary(const QString& file, int timeoutMs) const {
    const QByteArray message = EncodeMessage(file);
    if (message.size() - kHeaderSize > kMaxMessageSize)
        return false;
    QDeadlineTimer deadline(timeoutMs);
    while (true) {
        QLocalSocket socket;
        socket.connectToServer(m_serverName);
        if (socket.waitForConnected(
                qMax(1, static_cast<int>(qMin<qint64>(500, deadline.remainingTime()))))) {
            socket.write(message);
            while (socket.bytesToWrite() > 0 && !deadline.hasExpired())
                socket.waitForBytesWritten(static_cast<int>(deadline.remainingTime()));
            while (socket.bytesAvailable() < 1 && !deadline.hasExpired() &&
                   socket.state() == QLocalSocket::ConnectedState)
                socket.waitForReadyRead(static_cast<int>(deadline.remainingTime()));
            char reply = 0;
            return socket.read(&reply, 1) == 1 && reply == kAcknowledge;
        }
        if (deadline.hasExpired())
            return false;
        QThread::msleep(100);
    }
}

void SingleInstance::OnNewConnection() {
    while (QLocalSocket* socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { OnReadyRead(socket); });
        QTimer::singleShot(kClientTimeoutMs, socket, [socket] { socket->abort(); });
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
