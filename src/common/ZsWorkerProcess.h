// A helper process that does risky work for this one: a separate executable, started once and reused, that
// reads requests on its standard input and writes answers on its standard output, both one socket of a
// socket pair. Each message is framed as a 32-bit little-endian length and that many bytes. The caller
// waits for answers only until a deadline; a helper that overruns it, dies or answers out of turn is killed
// and forgotten, and the next request starts a fresh one. Nothing the helper does can stop the caller: every
// write is SIGPIPE-safe and every wait is bounded. What the helper writes on its standard error (a crash's
// backtrace, say) goes to the log line by line, up to ZS_WORKER_MAX_LOGGED bytes of each helper started,
// and never to the caller's own standard error.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string>
#include <string_view>

#include "common/ZsBase.h"

// The largest message either side accepts.
inline constexpr size_t ZS_WORKER_MAX_MESSAGE = size_t{128} << 20;
// The bytes of one helper's standard error that reach the log; the rest is counted.
inline constexpr size_t ZS_WORKER_MAX_LOGGED = size_t{16} << 10;

enum ZS_WORKER_RESULT {
    ZS_WORKER_OK = 0,
    ZS_WORKER_TIMED_OUT = 1,  // the deadline passed; the helper was killed
    ZS_WORKER_FAILED = 2,     // the helper could not be started, died or broke the framing; killed
};

class CZsWorkerProcess {
public:
    using Clock = std::chrono::steady_clock;

    explicit CZsWorkerProcess(std::filesystem::path exe) : mExe(std::move(exe)) {}
    // Stops the helper without logging: the destructor may run as the program's static objects go, the
    // log's among them. Callers that want the helper's last words logged call Stop first.
    ~CZsWorkerProcess() { End(false); }
    CZsWorkerProcess(const CZsWorkerProcess&) = delete;
    CZsWorkerProcess& operator=(const CZsWorkerProcess&) = delete;

    const std::filesystem::path& Executable() const { return mExe; }
    // The process id of the running helper, 0 when none runs.
    pid_t Pid() const { return mnPid; }

    // Sends one request, starting the helper first when none runs (or the last one has ended while idle).
    ZS_WORKER_RESULT Send(ZsBytes request, Clock::time_point deadline, std::string* pError);
    // Receives one answer of at most nMaxBytes.
    ZS_WORKER_RESULT Receive(ZsBlock& answer, size_t nMaxBytes, Clock::time_point deadline,
                             std::string* pError);
    // Kills the helper and waits for it; the next Send starts a new one.
    void Stop() { End(true); }

private:
    bool Start(std::string* pError);
    bool IsAlive();
    // Waits until the socket is ready for the events (true) or the deadline passes (false), reading the
    // helper's standard error meanwhile.
    bool WaitFor(short nEvents, Clock::time_point deadline);
    void ReadDiagnostics();
    void TakeDiagnostics(std::string_view text);
    void LogDiagnosticLine();
    // Logs (when asked) what is left of the helper's standard error once it has gone, and closes it.
    void EndDiagnostics(bool bLog);
    void End(bool bLog);
    // Stops the helper after a fault, telling what happened (by default what the result says) and how it
    // ended when it ended on its own.
    ZS_WORKER_RESULT Fail(ZS_WORKER_RESULT nResult, std::string* pError, std::string sWhat = {});

    std::filesystem::path mExe;
    pid_t mnPid = 0;
    int mnSocket = -1;
    int mnDiagnostics = -1;
    std::string msDiagnosticLine;
    size_t mnDiagnosticBytes = 0;
    size_t mnDiagnosticsDropped = 0;
};

// The helper's side: blocking reads and writes of whole messages on its descriptors. ZsReadWorkerMessage is
// false at the end of input or on a message above nMaxBytes; ZsWriteWorkerMessage is false when the
// reader has gone.
bool ZsReadWorkerMessage(int nFd, ZsBlock& message, size_t nMaxBytes);
bool ZsWriteWorkerMessage(int nFd, ZsBytes message);
