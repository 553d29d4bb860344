// The single-instance socket among several local users: a later start hands its arguments only to a program
// of the same user, the running program takes them only from the same user, and a socket that another user
// put in the way is neither used nor removed: the start then goes on as a program of its own.
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>
#include <QDataStream>
#include <QDir>
#include <QSignalSpy>

#include <cstring>

#include "GuiTestSupport.h"
#include "TestSupport.h"
#include "common/ZsBase.h"
#include "common/ZsConfig.h"
#include "common/ZsSettings.h"
#include "gui/app/FrmMain.h"
#include "gui/app/ZsProjApp.h"
#include "gui/common/ZsInstance.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

namespace {

constexpr uid_t kStranger = 65534;

sockaddr_un AddressOf(const QString& sPath) {
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, sPath.toLocal8Bit().constData(), sizeof(addr.sun_path) - 1);
    return addr;
}

// A hand-over message as a later start of the program sends it.
QByteArray HandOverMessage(const QStringList& arguments) {
    QByteArray body;
    QDataStream out(&body, QIODevice::WriteOnly);
    out.setVersion(QDataStream::Qt_6_0);
    out << quint32(0x5A534931) << QDir::currentPath() << arguments;
    QByteArray message;
    QDataStream(&message, QIODevice::WriteOnly) << quint32(body.size());
    return message + body;
}

// Another user's process listening at the path: it binds there (as root, so the file is ours and only the
// peer check can tell), then becomes the other user and counts the bytes anyone sends it.
class CStrangerServer {
public:
    explicit CStrangerServer(const QString& sPath) {
        int ready[2];
        if (pipe(ready) != 0 || pipe(mnReport) != 0) {
            return;
        }
        const sockaddr_un addr = AddressOf(sPath);
        mnChild = fork();
        if (mnChild == 0) {
            const int nFd = socket(AF_UNIX, SOCK_STREAM, 0);
            if (bind(nFd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0 ||
                setgid(kStranger) != 0 || setuid(kStranger) != 0 || listen(nFd, 4) != 0) {
                _exit(2);
            }
            char c = 1;
            if (write(ready[1], &c, 1) != 1) {
                _exit(3);
            }
            pollfd wait{nFd, POLLIN, 0};
            int nBytes = 0;
            if (poll(&wait, 1, 3000) == 1) {
                const int nPeer = accept(nFd, nullptr, nullptr);
                char buffer[4096];
                pollfd more{nPeer, POLLIN, 0};
                while (poll(&more, 1, 1000) == 1) {
                    const ssize_t n = read(nPeer, buffer, sizeof(buffer));
                    if (n <= 0) {
                        break;
                    }
                    nBytes += static_cast<int>(n);
                }
            }
            _exit(write(mnReport[1], &nBytes, sizeof(nBytes)) == sizeof(nBytes) ? 0 : 4);
        }
        close(ready[1]);
        char c = 0;
        mbListening = mnChild > 0 && read(ready[0], &c, 1) == 1;
        close(ready[0]);
        close(mnReport[1]);
    }
    ~CStrangerServer() {
        close(mnReport[0]);
        if (mnChild > 0) {
            int nStatus = 0;
            waitpid(mnChild, &nStatus, 0);
        }
    }
    bool IsListening() const { return mbListening; }
    // The bytes it was sent, once it has given up waiting.
    int BytesReceived() {
        int nBytes = -1;
        return read(mnReport[0], &nBytes, sizeof(nBytes)) == sizeof(nBytes) ? nBytes : -1;
    }

private:
    pid_t mnChild = -1;
    int mnReport[2] = {-1, -1};
    bool mbListening = false;
};

// Another user's process that connects to the path and sends a well-formed hand-over.
bool StrangerSends(const QString& sPath, const QByteArray& message) {
    const sockaddr_un addr = AddressOf(sPath);
    const pid_t nChild = fork();
    if (nChild == 0) {
        if (setgid(kStranger) != 0 || setuid(kStranger) != 0) {
            _exit(2);
        }
        const int nFd = socket(AF_UNIX, SOCK_STREAM, 0);
        if (connect(nFd, reinterpret_cast<const sockaddr*>(&addr), sizeof(addr)) != 0) {
            _exit(3);
        }
        // What it sent waits in the connection after it has gone, for the program to read or refuse.
        const bool bSent = send(nFd, message.constData(), message.size(), MSG_NOSIGNAL) == message.size();
        _exit(bSent ? 0 : 4);
    }
    int nStatus = 0;
    waitpid(nChild, &nStatus, 0);
    return nChild > 0 && WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0;
}

bool IsRoot() {
    return geteuid() == 0;
}

}  // namespace

class InstanceTest : public QObject {
    Q_OBJECT

private slots:
    void theSocketLiesInTheUsersPrivateRuntimeFolder() {
        std::string sWhy;
        const QString sName = CZsInstanceServer::ServerName(ZsGetDataDir(), &sWhy);
        QVERIFY2(!sName.isEmpty(), sWhy.c_str());
        const std::filesystem::path folder = ZsPathOf(sName).parent_path();
        struct stat st {};
        QCOMPARE(lstat(folder.c_str(), &st), 0);
        QVERIFY(S_ISDIR(st.st_mode));
        QCOMPARE(st.st_uid, geteuid());
        QCOMPARE(st.st_mode & 077, 0u);
        // Another data folder is another program.
        QVERIFY(CZsInstanceServer::ServerName(ZsGetDataDir() / "other") != sName);
    }

    void aSocketOfAnotherUsersIsNeitherUsedNorReplaced() {
        if (!IsRoot()) {
            QSKIP("only root can make a socket that belongs to another user");
        }
        const QString sName = CZsInstanceServer::ServerName(ZsGetDataDir() / "squatted");
        CStrangerServer squatter(sName);
        QVERIFY(squatter.IsListening());
        QVERIFY(chown(ZsPathOf(sName).c_str(), kStranger, kStranger) == 0);
        std::string sRefusal;
        QVERIFY(!CZsInstanceServer::HandOver(sName, {QStringLiteral("secret.pctv")}, &sRefusal));
        QVERIFY2(sRefusal.find("belongs to another user (id 65534)") != std::string::npos, sRefusal.c_str());
        {
            test::LogCapture log;
            CZsInstanceServer server;
            QVERIFY(!server.Listen(sName));
        }
        QVERIFY(std::filesystem::exists(ZsPathOf(sName)));
        QCOMPARE(squatter.BytesReceived(), 0);
        std::filesystem::remove(ZsPathOf(sName));
    }

    void aServerRunningAsAnotherUserIsToldNothing() {
        if (!IsRoot()) {
            QSKIP("only root can run a process as another user");
        }
        const QString sName = CZsInstanceServer::ServerName(ZsGetDataDir() / "impostor");
        CStrangerServer impostor(sName);
        QVERIFY(impostor.IsListening());
        std::string sRefusal;
        QVERIFY(!CZsInstanceServer::HandOver(sName, {QStringLiteral("secret.pctv")}, &sRefusal));
        QVERIFY2(sRefusal.find("runs as another user (id 65534)") != std::string::npos, sRefusal.c_str());
        QCOMPARE(impostor.BytesReceived(), 0);
        std::filesystem::remove(ZsPathOf(sName));
    }

    void theRunningProgramTakesNothingFromAnotherUser() {
        if (!IsRoot()) {
            QSKIP("only root can run a process as another user");
        }
        const QString sName = CZsInstanceServer::ServerName(ZsGetDataDir() / "listening");
        CZsInstanceServer server;
        QVERIFY(server.Listen(sName));
        QSignalSpy received(&server, &CZsInstanceServer::Received);
        // Opened up as a careless umask would leave it, so that only the peer check stands in the way.
        const std::filesystem::path socketPath = ZsPathOf(sName);
        chmod(socketPath.parent_path().c_str(), 0755);
        chmod(socketPath.c_str(), 0777);
        {
            test::LogCapture log;
            QVERIFY(StrangerSends(sName, HandOverMessage({QStringLiteral("/tmp/planted.pctv")})));
            QTest::qWait(200);
            QCOMPARE(received.size(), 0);
            QVERIFY(log.Contains("runs as another user (id 65534)"));
        }
        chmod(socketPath.parent_path().c_str(), 0700);
        QVERIFY(CZsInstanceServer::HandOver(sName, {QStringLiteral("/tmp/mine.pctv")}));
        QTRY_COMPARE(received.size(), 1);
        QCOMPARE(received.at(0).at(0).toStringList(), QStringList{QStringLiteral("/tmp/mine.pctv")});
    }

    void aStartThatFindsAnotherUsersSocketRunsOnItsOwn() {
        if (!IsRoot()) {
            QSKIP("only root can make a socket that belongs to another user");
        }
        const QString sName = CZsInstanceServer::ServerName(ZsGetDataDir());
        CStrangerServer squatter(sName);
        QVERIFY(squatter.IsListening());
        QVERIFY(chown(ZsPathOf(sName).c_str(), kStranger, kStranger) == 0);
        std::error_code ec;
        std::filesystem::remove(ZsGetConfigPath(), ec);
        ZsGetConfig().Load(ZsGetConfigPath());
        ZS_WORKSPACE.Set({});
        ZsGetConfig().Save();
        CZsProjApp app{{QStringLiteral("pictavo")}};
        QVERIFY(app.InitInstance());
        QVERIFY(app.Frame());
        QVERIFY(app.Frame()->isVisible());
        QCOMPARE(squatter.BytesReceived(), 0);
        test::ScriptedMessages answers({int(ZS_IDNO), int(ZS_IDNO)});
        app.Frame()->close();
        std::filesystem::remove(ZsPathOf(sName), ec);
    }
};

PICTAVO_GUI_TEST_MAIN(InstanceTest)
#include "InstanceTest.moc"
