#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "TestSupport.h"
#include "common/ZsRuntimeDir.h"

namespace fs = std::filesystem;

namespace {

// An id that is not ours and owns nothing here.
constexpr uid_t kStranger = 65534;

// Sets an environment variable for the life of the object, then puts back what was there.
class CEnv {
public:
    CEnv(const char* pszName, const std::string& sValue) : mpszName(pszName) {
        if (const char* pszOld = std::getenv(pszName)) {
            msOld = pszOld;
            mbHad = true;
        }
        setenv(pszName, sValue.c_str(), 1);
    }
    ~CEnv() {
        if (mbHad) {
            setenv(mpszName, msOld.c_str(), 1);
        } else {
            unsetenv(mpszName);
        }
    }
    CEnv(const CEnv&) = delete;
    CEnv& operator=(const CEnv&) = delete;

private:
    const char* mpszName;
    std::string msOld;
    bool mbHad = false;
};

unsigned Mode(const fs::path& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st.st_mode & 0777;
}

// A listening local socket at the path; -1 when it cannot be made.
int ListenAt(const fs::path& path) {
    int nFd = socket(AF_UNIX, SOCK_STREAM, 0);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    std::strncpy(addr.sun_path, path.c_str(), sizeof(addr.sun_path) - 1);
    if (nFd < 0 || bind(nFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) != 0 || listen(nFd, 4) != 0) {
        if (nFd >= 0) {
            close(nFd);
        }
        return -1;
    }
    return nFd;
}

fs::path PrivateFolderIn(const fs::path& base) {
    return base / ("pictavo-" + std::to_string(geteuid()));
}

// The private folder made in advance in base, open to everyone, as a careless program or a squatter leaves
// it.
fs::path OpenPrivateFolderIn(const fs::path& base) {
    const fs::path priv = PrivateFolderIn(base);
    fs::create_directory(priv);
    chmod(priv.c_str(), 0777);
    return priv;
}

}  // namespace

TEST(ZsRuntimeDir, TakesTheUsersOwnRuntimeFolder) {
    test::TempDir dir;
    fs::create_directory(dir / "run");
    chmod((dir / "run").c_str(), 0700);
    CEnv runtime("XDG_RUNTIME_DIR", (dir / "run").string());
    std::string sWhy;
    EXPECT_EQ(ZsGetRuntimeDir(sWhy), dir / "run") << sWhy;
}

TEST(ZsRuntimeDir, PassesOverARuntimeFolderOthersCanEnterForAPrivateOne) {
    test::TempDir dir;
    fs::create_directory(dir / "run");
    chmod((dir / "run").c_str(), 0755);
    CEnv runtime("XDG_RUNTIME_DIR", (dir / "run").string());
    CEnv temp("TMPDIR", dir.Path().string());
    std::string sWhy;
    EXPECT_EQ(ZsGetRuntimeDir(sWhy), PrivateFolderIn(dir.Path())) << sWhy;
    EXPECT_EQ(Mode(PrivateFolderIn(dir.Path())), 0700u);
    // The runtime folder named was only looked at.
    EXPECT_EQ(Mode(dir / "run"), 0755u);

    // Without a runtime folder, or with a relative one, the private folder serves likewise.
    CEnv relative("XDG_RUNTIME_DIR", "run");
    EXPECT_EQ(ZsGetRuntimeDir(sWhy), PrivateFolderIn(dir.Path())) << sWhy;
}

TEST(ZsRuntimeDir, NarrowsItsOwnPrivateFolderAndRefusesALinkOrAFile) {
    test::TempDir dir;
    CEnv runtime("XDG_RUNTIME_DIR", "");
    CEnv temp("TMPDIR", dir.Path().string());
    const fs::path priv = OpenPrivateFolderIn(dir.Path());
    std::string sWhy;
    EXPECT_EQ(ZsGetRuntimeDir(sWhy), priv) << sWhy;
    EXPECT_EQ(Mode(priv), 0700u);

    // A link put in its place, even to a folder of the user's, could be pointed elsewhere later.
    fs::rename(priv, dir / "real");
    fs::create_directory_symlink(dir / "real", priv);
    EXPECT_FALSE(ZsGetRuntimeDir(sWhy));
    EXPECT_NE(sWhy.find("is a link"), std::string::npos) << sWhy;
    fs::remove(priv);
    ZsWriteFile(priv, std::vector<uint8_t>{1});
    EXPECT_FALSE(ZsGetRuntimeDir(sWhy));
    EXPECT_NE(sWhy.find("not a folder"), std::string::npos) << sWhy;
}

TEST(ZsRuntimeDir, RefusesAPrivateFolderAnotherUserMadeFirst) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "only root can make a folder that belongs to another user";
    }
    test::TempDir dir;
    CEnv runtime("XDG_RUNTIME_DIR", "");
    CEnv temp("TMPDIR", dir.Path().string());
    const fs::path priv = OpenPrivateFolderIn(dir.Path());
    ASSERT_EQ(chown(priv.c_str(), kStranger, kStranger), 0);
    std::string sWhy;
    EXPECT_FALSE(ZsGetRuntimeDir(sWhy));
    EXPECT_NE(sWhy.find("belongs to another user (id 65534)"), std::string::npos) << sWhy;
    // Someone else's folder is left exactly as it is.
    EXPECT_EQ(Mode(priv), 0777u);
}

TEST(ZsRuntimeDir, TellsTheUsersOwnSocketFromAnythingElse) {
    test::TempDir dir;
    std::string sWhy;
    EXPECT_TRUE(ZsIsOwnSocketPath(dir / "none", sWhy));
    ZsWriteFile(dir / "file", std::vector<uint8_t>{1});
    EXPECT_FALSE(ZsIsOwnSocketPath(dir / "file", sWhy));
    EXPECT_NE(sWhy.find("is not a socket"), std::string::npos) << sWhy;
    const int nFd = ListenAt(dir / "sock");
    ASSERT_GE(nFd, 0);
    EXPECT_TRUE(ZsIsOwnSocketPath(dir / "sock", sWhy)) << sWhy;
    if (geteuid() == 0) {
        ASSERT_EQ(chown((dir / "sock").c_str(), kStranger, kStranger), 0);
        EXPECT_FALSE(ZsIsOwnSocketPath(dir / "sock", sWhy));
        EXPECT_NE(sWhy.find("belongs to another user (id 65534)"), std::string::npos) << sWhy;
    }
    close(nFd);
}

TEST(ZsRuntimeDir, TrustsOnlyAPeerRunningAsTheUser) {
    int fds[2];
    ASSERT_EQ(socketpair(AF_UNIX, SOCK_STREAM, 0, fds), 0);
    std::string sWhy;
    EXPECT_TRUE(ZsIsOwnPeer(fds[0], sWhy)) << sWhy;
    close(fds[0]);
    close(fds[1]);
    EXPECT_FALSE(ZsIsOwnPeer(-1, sWhy));

    if (geteuid() != 0) {
        return;  // acting as another user needs root; the rest holds for any user
    }
    test::TempDir dir;
    chmod(dir.Path().c_str(), 0777);
    const fs::path sock = dir / "sock";
    const int nListen = ListenAt(sock);
    ASSERT_GE(nListen, 0);
    chmod(sock.c_str(), 0777);
    const pid_t nChild = fork();
    ASSERT_GE(nChild, 0);
    if (nChild == 0) {
        if (setgid(kStranger) != 0 || setuid(kStranger) != 0) {
            _exit(2);
        }
        int nFd = socket(AF_UNIX, SOCK_STREAM, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        std::strncpy(addr.sun_path, sock.c_str(), sizeof(addr.sun_path) - 1);
        _exit(connect(nFd, reinterpret_cast<sockaddr*>(&addr), sizeof(addr)) == 0 ? 0 : 3);
    }
    const int nPeer = accept(nListen, nullptr, nullptr);
    ASSERT_GE(nPeer, 0);
    EXPECT_FALSE(ZsIsOwnPeer(nPeer, sWhy));
    EXPECT_NE(sWhy.find("another user (id 65534)"), std::string::npos) << sWhy;
    close(nPeer);
    int nStatus = 0;
    waitpid(nChild, &nStatus, 0);
    EXPECT_TRUE(WIFEXITED(nStatus) && WEXITSTATUS(nStatus) == 0) << nStatus;
    close(nListen);
}
