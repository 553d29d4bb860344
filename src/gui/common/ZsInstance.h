// One running program per user and data folder. The first instance listens on a local server whose name
// is derived from the data folder (so it is private to the user, and separate test runs do not meet); a
// later start connects to it, hands over its arguments together with its working folder, and ends. A server
// socket left behind by an instance that crashed is found dead and replaced.
//
// Message: a 32-bit length, then a QDataStream of a magic number, the working folder and the arguments
// without the program path. Whatever else arrives (too long, damaged, cut short) is dropped.
#pragma once

#include <QLocalServer>
#include <QObject>
#include <QStringList>
#include <filesystem>

class CZsInstanceServer : public QObject {
    Q_OBJECT
public:
    explicit CZsInstanceServer(QObject* pParent = nullptr);
    ~CZsInstanceServer() override;

    // The server name of the instance that owns the data folder.
    static QString ServerName(const std::filesystem::path& dataDir);
    // Hands the arguments to the running instance; false when none is listening under the name.
    static bool HandOver(const QString& sName, const QStringList& arguments);

    // Starts listening under the name; false (logged) when that is impossible.
    bool Listen(const QString& sName);
    bool IsListening() const { return mServer.isListening(); }

signals:
    // The arguments of a later start, relative paths made absolute against its working folder.
    void Received(const QStringList& arguments);

private:
    void OnNewConnection();

    QLocalServer mServer;
};
