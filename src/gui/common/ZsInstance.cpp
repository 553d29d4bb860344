#include "gui/common/ZsInstance.h"

#include <QCryptographicHash>
#include <QDataStream>
#include <QDir>
#include <QLocalSocket>
#include <memory>
#include <optional>

#include "common/ZsLog.h"
#include "common/ZsRuntimeDir.h"
#include "gui/common/ZsQt.h"

namespace {

constexpr quint32 kMagic = 0x5A534931;  // "ZSI1"
constexpr quint32 kMaxMessage = 1u << 20;
constexpr int kConnectMs = 1000;
constexpr int kWriteMs = 3000;

QByteArray Encode(const QStringList& arguments) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << kMagic << QDir::currentPath() << arguments;
    QByteArray message;
    QDataStream head(&message, QIODevice::WriteOnly);
    head << static_cast<quint32>(body.size());
    return message + body;
}

// The arguments of a whole message body; none when it is damaged.
std::optional<QStringList> Decode(const QByteArray& body) {
    QDataStream in(body);
    in.setVersion(QDataStream::Qt_6_0);
    quint32 nMagic = 0;
    QString sDir;
    QStringList arguments;
    in >> nMagic >> sDir >> arguments;
    if (in.status() != QDataStream::Ok || nMagic != kMagic || !in.atEnd()) {
        return std::nullopt;
    }
    const QDir dir(sDir);
    QStringList resolved;
    for (const QString& sArg : arguments) {
        resolved << (sArg.isEmpty() || sDir.isEmpty() ? sArg : QDir::cleanPath(dir.absoluteFilePath(sArg)));
    }
    return resolved;
}

}  // namespace

CZsInstanceServer::CZsInstanceServer(QObject* pParent) : QObject(pParent) {
    mServer.setSocketOptions(QLocalServer::UserAccessOption);
    connect(&mServer, &QLocalServer::newConnection, this, &CZsInstanceServer::OnNewConnection);
}

CZsInstanceServer::~CZsInstanceServer() = default;

QString CZsInstanceServer::ServerName(const std::filesystem::path& dataDir, std::string* pWhy) {
    std::string sWhy;
    const std::optional<std::filesystem::path> runtime = ZsGetRuntimeDir(sWhy);
    if (!runtime) {
        if (pWhy) {
            *pWhy = sWhy;
        }
        return {};
    }
    const QByteArray hash =
        QCryptographicHash::hash(ZsQPath(dataDir).toUtf8(), QCryptographicHash::Sha1).toHex().left(16);
    return ZsQPath(*runtime / ("Pictavo-" + hash.toStdString()));
}

bool CZsInstanceServer::HandOver(const QString& sName, const QStringList& arguments, std::string* pRefusal) {
    if (sName.isEmpty()) {
        return false;
    }
    std::string sWhy;
    auto refuse = [&] {
        if (pRefusal) {
            *pRefusal = sWhy;
        }
        return false;
    };
    if (!ZsIsOwnSocketPath(ZsPathOf(sName), sWhy)) {
        return refuse();
    }
    QLocalSocket socket;
    socket.connectToServer(sName);
    if (!socket.waitForConnected(kConnectMs)) {
        return false;
    }
    // The file may have been swapped since it was looked at: what counts is who answers.
    if (!ZsIsOwnPeer(static_cast<int>(socket.socketDescriptor()), sWhy)) {
        socket.abort();
        return refuse();
    }
    socket.write(Encode(arguments));
    while (socket.bytesToWrite() > 0 && socket.waitForBytesWritten(kWriteMs)) {
    }
    socket.disconnectFromServer();
    if (socket.state() != QLocalSocket::UnconnectedState) {
        socket.waitForDisconnected(kConnectMs);
    }
    return true;
}

bool CZsInstanceServer::Listen(const QString& sName) {
    std::string sWhy;
    if (sName.isEmpty() || !ZsIsOwnSocketPath(ZsPathOf(sName), sWhy)) {
        errno = 0;
        ZS_LOG_ERR("CZsInstanceServer::Listen", "no single-instance socket: %s",
                   sName.isEmpty() ? "no private runtime folder" : sWhy.c_str());
        return false;
    }
    if (mServer.listen(sName)) {
        return true;
    }
    // What is left under the name belongs to a crashed instance unless someone still answers there.
    if (mServer.serverError() == QAbstractSocket::AddressInUseError) {
        QLocalSocket probe;
        probe.connectToServer(sName);
        const bool bAlive = probe.waitForConnected(kConnectMs);
        probe.abort();
        if (!bAlive && QLocalServer::removeServer(sName) && mServer.listen(sName)) {
            return true;
        }
    }
    errno = 0;
    ZS_LOG_ERR("CZsInstanceServer::Listen", "QLocalServer::listen(%s) %s", ZsS(sName).c_str(),
               ZsS(mServer.errorString()).c_str());
    return false;
}

void CZsInstanceServer::OnNewConnection() {
    while (QLocalSocket* pSocket = mServer.nextPendingConnection()) {
        std::string sWhy;
        if (!ZsIsOwnPeer(static_cast<int>(pSocket->socketDescriptor()), sWhy)) {
            errno = 0;
            ZS_LOG_ERR("CZsInstanceServer::OnNewConnection", "refused: %s", sWhy.c_str());
            pSocket->abort();
            pSocket->deleteLater();
            continue;
        }
        auto pBuffer = std::make_shared<QByteArray>();
        connect(pSocket, &QLocalSocket::disconnected, pSocket, &QObject::deleteLater);
        connect(pSocket, &QLocalSocket::readyRead, this, [this, pSocket, pBuffer] {
            pBuffer->append(pSocket->readAll());
            if (pBuffer->size() < 4) {
                return;
            }
            quint32 nLength = 0;
            QDataStream(*pBuffer) >> nLength;
            if (nLength > kMaxMessage || pBuffer->size() > static_cast<qsizetype>(nLength) + 4) {
                pSocket->abort();
                return;
            }
            if (pBuffer->size() < static_cast<qsizetype>(nLength) + 4) {
                return;
            }
            const std::optional<QStringList> arguments = Decode(pBuffer->mid(4));
            pSocket->disconnectFromServer();
            if (arguments) {
                // Opening libraries may ask the user questions: that happens after the socket is done.
                QMetaObject::invokeMethod(
                    this, [this, list = *arguments] { emit Received(list); }, Qt::QueuedConnection);
            }
        });
    }
}
