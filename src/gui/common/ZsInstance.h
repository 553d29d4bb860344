// One running program per user and data folder. The first instance listens on a local socket in the user's
// private runtime folder, named after the data folder (separate test runs do not meet); a later start
// connects to it, hands over its arguments together with its working folder, and ends. A server socket left
// behind by an instance that crashed is found dead and replaced. Both ends trust only the user's own: a
// socket owned by another user is neither connected to nor replaced, and a peer running under another user
// id is refused on either side.
//
// Message: a 32-bit length, then a QDataStream of a magic number, the working folder and the arguments
// without the program path. Whatever else arrives (too long, damaged, cut short) is dropped.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <filesystem>
#include <string>

class CZsInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit CZsInstanceServer(QObject* pParent = nullptr);
    ~CZsInstanceServer() override;

    // The socket path of the instance that owns the data folder; empty, with the reason in *pWhy, when the
    // user has no private runtime folder.
    static QString ServerName(const std::filesystem::path& dataDir, std::string* pWhy = nullptr);
    // Hands the arguments to the running instance; false when none is listening under the name, or when
    // what listens there is not the user's own (then *pRefusal says why and nothing was sent).
    static bool HandOver(const QString& sName, const QStringList& arguments, std::string* pRefusal = nullptr);

    // Starts listening under the name; false (logged) when that is impossible or the name is taken by a
    // socket of another user's.
    bool Listen(const QString& sName);
    bool IsListening() const { return mServer.isListening(); }

signals:
    // The arguments of a later start, relative paths made absolute against its working folder.
    void Received(const QStringList& arguments);

private:
    void OnNewConnection();

    QLocalServer mServer;
};
