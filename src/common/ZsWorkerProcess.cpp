#include "common/ZsWorkerProcess.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "common/ZsByteReader.h"
#include "common/ZsLog.h"

extern char** environ;

namespace {

void SetError(std::string* pError, const std::string& text) {
    if (pError) {
        *pError = text;
    }
}

// A descriptor above the standard three, so that placing the helper's end on 0 and 1 always makes a copy
// (a copy is what drops close-on-exec).
int AboveStandard(int nFd) {
    if (nFd > 2) {
        return nFd;
    }
    const int nCopy = fcntl(nFd, F_DUPFD_CLOEXEC, 3);
    close(nFd);
    return nCopy;
}

// How a process that was waited for ended, as words.
std::string Ending(int nStatus) {
    if (WIFSIGNALED(nStatus)) {
        return ZsFormat("killed by signal %d", WTERMSIG(nStatus));
    }
    if (WIFEXITED(nStatus)) {
        return ZsFormat("exit code %d", WEXITSTATUS(nStatus));
    }
    return "ended";
}

// Waits for a child, retrying when a signal interrupts; false when it is not ours to wait for.
bool Reap(pid_t nPid, int* pnStatus, int nOptions, pid_t* pnResult) {
    pid_t r;
    do {
        r = waitpid(nPid, pnStatus, nOptions);
    } while (r < 0 && errno == EINTR);
    *pnResult = r;
    return r >= 0;
}

// Moves nBytes through read or write, retrying after signals; false at the end of input or on an error.
template <typename Byte, typename Transfer>
bool TransferAll(Byte* p, size_t nBytes, Transfer transfer) {
    size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t n = transfer(p + nDone, nBytes - nDone);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
        } else if (n == 0 || errno != EINTR) {
            return false;
        }
    }
    return true;
}

bool ReadAll(int nFd, uint8_t* p, size_t nBytes) {
    return TransferAll(p, nBytes, [nFd](uint8_t* q, size_t n) { return read(nFd, q, n); });
}

bool WriteAll(int nFd, const uint8_t* p, size_t nBytes) {
    return TransferAll(p, nBytes, [nFd](const uint8_t* q, size_t n) { return write(nFd, q, n); });
}

// Moves nBytes through a non-blocking transfer, calling wait (false once the deadline has passed) whenever
// the transfer would block. The end of input is a failure.
template <typename Byte, typename Transfer, typename Wait>
ZS_WORKER_RESULT TransferBefore(Byte* p, size_t nBytes, Transfer transfer, Wait wait) {
    size_t nDone = 0;
    while (nDone < nBytes) {
        const ssize_t n = transfer(p + nDone, nBytes - nDone);
        if (n > 0) {
            nDone += static_cast<size_t>(n);
        } else if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            if (!wait()) {
                return ZS_WORKER_TIMED_OUT;
            }
        } else if (n == 0 || errno != EINTR) {
            return ZS_WORKER_FAILED;
        }
    }
    return ZS_WORKER_OK;
}

}  // namespace

bool CZsWorkerProcess::Start(std::string* pError) {
    int fds[2];
    if (socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, fds) != 0) {
        SetError(pError, "no channel to a helper process can be made (" + ZsErrorText(errno) + ")");
        return false;
    }
    fds[0] = AboveStandard(fds[0]);
    fds[1] = AboveStandard(fds[1]);
    if (fds[0] < 0 || fds[1] < 0) {
        SetError(pError, "no channel to a helper process can be made (" + ZsErrorText(errno) + ")");
        for (const int fd : fds) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return false;
    }
    // The helper's standard error (a crash's backtrace, say) goes to the log, not to the caller's terminal.
    int errFds[2] = {-1, -1};
    if (pipe2(errFds, O_CLOEXEC) == 0) {
        errFds[0] = AboveStandard(errFds[0]);
        errFds[1] = AboveStandard(errFds[1]);
    }
    if (errFds[0] < 0 || errFds[1] < 0) {
        SetError(pError, "no channel to a helper process can be made (" + ZsErrorText(errno) + ")");
        for (const int fd : {fds[0], fds[1], errFds[0], errFds[1]}) {
            if (fd >= 0) {
                close(fd);
            }
        }
        return false;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 0);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, errFds[1], 2);
    // The helper starts with no signal blocked, whatever the calling thread blocks.
    posix_spawnattr_t attr;
    posix_spawnattr_init(&attr);
    sigset_t none;
    sigemptyset(&none);
    posix_spawnattr_setsigmask(&attr, &none);
    posix_spawnattr_setflags(&attr, POSIX_SPAWN_SETSIGMASK);
    const std::string sExe = mExe.string();
    char* argv[] = {const_cast<char*>(sExe.c_str()), nullptr};
    pid_t nPid = 0;
    const int nError = posix_spawn(&nPid, sExe.c_str(), &actions, &attr, argv, environ);
    posix_spawnattr_destroy(&attr);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    close(errFds[1]);
    if (nError != 0) {
        close(fds[0]);
        close(errFds[0]);
        SetError(pError, ZsFormat("the helper '%s' cannot be started (%s)", sExe.c_str(),
                                  ZsErrorText(nError).c_str()));
        return false;
    }
    fcntl(fds[0], F_SETFL, fcntl(fds[0], F_GETFL) | O_NONBLOCK);
    fcntl(errFds[0], F_SETFL, fcntl(errFds[0], F_GETFL) | O_NONBLOCK);
    mnPid = nPid;
    mnSocket = fds[0];
    mnDiagnostics = errFds[0];
    return true;
}

bool CZsWorkerProcess::WaitFor(short nEvents, Clock::time_point deadline) {
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0) {
            return false;
        }
        // Ready for the events, or an error or hang-up (the next transfer tells which); the helper's
        // standard error is read meanwhile, so that it never blocks on it. A closed pipe is passed over.
        pollfd p[2] = {{mnSocket, nEvents, 0}, {mnDiagnostics, POLLIN, 0}};
        const int n = poll(p, 2, static_cast<int>(std::min<long long>(left, 60000)));
        if (n < 0 && errno != EINTR) {
            return true;
        }
        if (n > 0 && p[1].revents != 0) {
            ReadDiagnostics();
        }
        if (n > 0 && p[0].revents != 0) {
            return true;
        }
    }
}

void CZsWorkerProcess::ReadDiagnostics() {
    char buffer[4096];
    // A helper that writes without end is read in turns, so that the caller still sees its socket.
    for (int nTurn = 0; mnDiagnostics >= 0 && nTurn < 16; ++nTurn) {
        const ssize_t n = read(mnDiagnostics, buffer, sizeof buffer);
        if (n > 0) {
            TakeDiagnostics(std::string_view(buffer, static_cast<size_t>(n)));
        } else if (n == 0 || (errno != EINTR && errno != EAGAIN && errno != EWOULDBLOCK)) {
            close(mnDiagnostics);
            mnDiagnostics = -1;
        } else if (errno != EINTR) {
            return;
        }
    }
}

void CZsWorkerProcess::TakeDiagnostics(std::string_view text) {
    for (const char c : text) {
        if (mnDiagnosticBytes >= ZS_WORKER_MAX_LOGGED) {
            ++mnDiagnosticsDropped;
            continue;
        }
        ++mnDiagnosticBytes;
        if (c == '\n') {
            LogDiagnosticLine();
        } else if (c != '\r') {
            // Control characters would garble the log.
            msDiagnosticLine.push_back(static_cast<unsigned char>(c) < 0x20 && c != '\t' ? '?' : c);
        }
    }
}

void CZsWorkerProcess::LogDiagnosticLine() {
    ZsLog("'%s' wrote: %s", mExe.filename().string().c_str(), msDiagnosticLine.c_str());
    msDiagnosticLine.clear();
}

void CZsWorkerProcess::EndDiagnostics(bool bLog) {
    const int nError = errno;
    if (bLog) {
        ReadDiagnostics();
        if (!msDiagnosticLine.empty()) {
            LogDiagnosticLine();
        }
        if (mnDiagnosticsDropped > 0) {
            ZsLog("'%s' wrote %zu bytes more, not logged", mExe.filename().string().c_str(),
                  mnDiagnosticsDropped);
        }
    }
    if (mnDiagnostics >= 0) {
        close(mnDiagnostics);
        mnDiagnostics = -1;
    }
    msDiagnosticLine.clear();
    mnDiagnosticBytes = 0;
    mnDiagnosticsDropped = 0;
    errno = nError;
}

bool CZsWorkerProcess::IsAlive() {
    if (mnPid == 0) {
        return false;
    }
    int nStatus = 0;
    pid_t r = 0;
    if (!Reap(mnPid, &nStatus, WNOHANG, &r) || r == mnPid) {
        // Gone already (or reaped by someone else): only the channel is left to close.
        mnPid = 0;
        Stop();
        return false;
    }
    // An idle helper has nothing to say; anything waiting to be read is out of turn.
    pollfd p = {mnSocket, POLLIN, 0};
    if (poll(&p, 1, 0) != 0) {
        Stop();
        return false;
    }
    return true;
}

void CZsWorkerProcess::End(bool bLog) {
    if (mnSocket >= 0) {
        close(mnSocket);
        mnSocket = -1;
    }
    if (mnPid != 0) {
        kill(mnPid, SIGKILL);
        int nStatus = 0;
        pid_t r = 0;
        Reap(mnPid, &nStatus, 0, &r);
        mnPid = 0;
    }
    // The helper has gone: whatever it wrote last is in the pipe.
    EndDiagnostics(bLog);
}

ZS_WORKER_RESULT CZsWorkerProcess::Fail(ZS_WORKER_RESULT nResult, std::string* pError, std::string sWhat) {
    if (sWhat.empty()) {
        sWhat = nResult == ZS_WORKER_TIMED_OUT ? "the helper took too long"
                                               : "the helper process ended unexpectedly";
    }
    std::string sEnding;
    if (mnPid != 0) {
        kill(mnPid, SIGKILL);
        int nStatus = 0;
        pid_t r = 0;
        if (Reap(mnPid, &nStatus, 0, &r) && r == mnPid &&
            !(WIFSIGNALED(nStatus) && WTERMSIG(nStatus) == SIGKILL)) {
            sEnding = " (" + Ending(nStatus) + ")";
        }
        mnPid = 0;
    }
    Stop();
    SetError(pError, sWhat + sEnding);
    ZS_LOG_ERR("CZsWorkerProcess", "'%s': %s%s", mExe.string().c_str(), sWhat.c_str(), sEnding.c_str());
    return nResult;
}

ZS_WORKER_RESULT CZsWorkerProcess::Send(ZsBytes request, Clock::time_point deadline, std::string* pError) {
    if (request.size() > ZS_WORKER_MAX_MESSAGE) {
        SetError(pError, "the request is too large for the helper");
        return ZS_WORKER_FAILED;
    }
    if (!IsAlive() && !Start(pError)) {
        ZS_LOG_ERR("CZsWorkerProcess::Send", "'%s'", mExe.string().c_str());
        return ZS_WORKER_FAILED;
    }
    ZsBlock header;
    ZsPutU32(header, static_cast<uint32_t>(request.size()));
    const auto sendSome = [this](const uint8_t* p, size_t n) {
        return send(mnSocket, p, n, MSG_NOSIGNAL | MSG_DONTWAIT);
    };
    const auto wait = [this, deadline] { return WaitFor(POLLOUT, deadline); };
    ZS_WORKER_RESULT r = TransferBefore(header.data(), header.size(), sendSome, wait);
    if (r == ZS_WORKER_OK) {
        r = TransferBefore(request.data(), request.size(), sendSome, wait);
    }
    return r == ZS_WORKER_OK ? r : Fail(r, pError);
}

ZS_WORKER_RESULT CZsWorkerProcess::Receive(ZsBlock& answer, size_t nMaxBytes, Clock::time_point deadline,
                                           std::string* pError) {
    answer.clear();
    if (mnSocket < 0) {
        SetError(pError, "no helper process runs");
        return ZS_WORKER_FAILED;
    }
    const auto receiveSome = [this](uint8_t* p, size_t n) { return recv(mnSocket, p, n, MSG_DONTWAIT); };
    uint8_t header[4];
    const auto wait = [this, deadline] { return WaitFor(POLLIN, deadline); };
    ZS_WORKER_RESULT r = TransferBefore(header, sizeof header, receiveSome, wait);
    if (r == ZS_WORKER_OK) {
        const uint32_t nLength = CZsByteReader(header).U32At(0);
        if (nLength > nMaxBytes || nLength > ZS_WORKER_MAX_MESSAGE) {
            return Fail(ZS_WORKER_FAILED, pError, ZsFormat("the helper answered with %u bytes", nLength));
        }
        answer.resize(nLength);
        r = TransferBefore(answer.data(), answer.size(), receiveSome, wait);
    }
    if (r != ZS_WORKER_OK) {
        answer.clear();
        return Fail(r, pError);
    }
    return r;
}

bool ZsReadWorkerMessage(int nFd, ZsBlock& message, size_t nMaxBytes) {
    uint8_t header[4];
    if (!ReadAll(nFd, header, sizeof header)) {
        return false;
    }
    const uint32_t nLength = CZsByteReader(header).U32At(0);
    if (nLength > nMaxBytes || nLength > ZS_WORKER_MAX_MESSAGE) {
        return false;
    }
    message.resize(nLength);
    return ReadAll(nFd, message.data(), message.size());
}

bool ZsWriteWorkerMessage(int nFd, ZsBytes message) {
    if (message.size() > ZS_WORKER_MAX_MESSAGE) {
        return false;
    }
    ZsBlock header;
    ZsPutU32(header, static_cast<uint32_t>(message.size()));
    return WriteAll(nFd, header.data(), header.size()) && WriteAll(nFd, message.data(), message.size());
}
