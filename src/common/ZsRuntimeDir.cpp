#include "common/ZsRuntimeDir.h"

#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "common/ZsText.h"

bool ZsIsPrivateDir(const std::filesystem::path& dir, bool bFix, std::string& sWhy) {
    struct stat st {};
    if (lstat(dir.c_str(), &st) != 0) {
        sWhy = ZsFormat("'%s': %s", dir.c_str(), std::strerror(errno));
        return false;
    }
    if (S_ISLNK(st.st_mode)) {
        sWhy = ZsFormat("'%s' is a link, not a folder", dir.c_str());
        return false;
    }
    if (!S_ISDIR(st.st_mode)) {
        sWhy = ZsFormat("'%s' is not a folder", dir.c_str());
        return false;
    }
    if (st.st_uid != geteuid()) {
        sWhy =
            ZsFormat("'%s' belongs to another user (id %u)", dir.c_str(), static_cast<unsigned>(st.st_uid));
        return false;
    }
    if ((st.st_mode & 077) != 0) {
        if (!bFix || chmod(dir.c_str(), 0700) != 0) {
            sWhy = ZsFormat("'%s' is open to other users (mode %03o)", dir.c_str(),
                            static_cast<unsigned>(st.st_mode & 0777));
            return false;
        }
    }
    return true;
}

std::optional<std::filesystem::path> ZsGetRuntimeDir(std::string& sWhy) {
    const char* pszRuntime = std::getenv("XDG_RUNTIME_DIR");
    if (pszRuntime && *pszRuntime == '/') {
        std::string sIgnored;
        // A runtime folder that is not the user's alone is passed over for the private one, as the base
        // directory rules ask of programs.
        if (ZsIsPrivateDir(pszRuntime, false, sIgnored)) {
            return std::filesystem::path(pszRuntime);
        }
    }
    const char* pszTemp = std::getenv("TMPDIR");
    const std::filesystem::path base = pszTemp && *pszTemp == '/' ? pszTemp : "/tmp";
    const std::filesystem::path dir = base / ZsFormat("pictavo-%u", static_cast<unsigned>(geteuid()));
    if (mkdir(dir.c_str(), 0700) != 0 && errno != EEXIST) {
        sWhy = ZsFormat("can not make the folder '%s': %s", dir.c_str(), std::strerror(errno));
        return std::nullopt;
    }
    // Made just now or found: either way it must be the user's alone, never someone else's left in wait.
    if (!ZsIsPrivateDir(dir, true, sWhy)) {
        return std::nullopt;
    }
    return dir;
}

bool ZsIsOwnSocketPath(const std::filesystem::path& path, std::string& sWhy) {
    struct stat st {};
    if (lstat(path.c_str(), &st) != 0) {
        if (errno == ENOENT) {
            return true;
        }
        sWhy = ZsFormat("'%s': %s", path.c_str(), std::strerror(errno));
        return false;
    }
    if (!S_ISSOCK(st.st_mode)) {
        sWhy = ZsFormat("'%s' is not a socket", path.c_str());
        return false;
    }
    if (st.st_uid != geteuid()) {
        sWhy = ZsFormat("the socket '%s' belongs to another user (id %u)", path.c_str(),
                        static_cast<unsigned>(st.st_uid));
        return false;
    }
    return true;
}

bool ZsIsOwnPeer(int nSocket, std::string& sWhy) {
    uid_t nPeer = 0;
#if defined(SO_PEERCRED)
    struct ucred cred {};
    socklen_t nLength = sizeof(cred);
    if (getsockopt(nSocket, SOL_SOCKET, SO_PEERCRED, &cred, &nLength) != 0 || nLength != sizeof(cred)) {
        sWhy = ZsFormat("the other end of the connection can not be told: %s", std::strerror(errno));
        return false;
    }
    nPeer = cred.uid;
#else
    gid_t nGroup = 0;
    if (getpeereid(nSocket, &nPeer, &nGroup) != 0) {
        sWhy = ZsFormat("the other end of the connection can not be told: %s", std::strerror(errno));
        return false;
    }
#endif
    if (nPeer != geteuid()) {
        sWhy = ZsFormat("the other end of the connection runs as another user (id %u)",
                        static_cast<unsigned>(nPeer));
        return false;
    }
    return true;
}
