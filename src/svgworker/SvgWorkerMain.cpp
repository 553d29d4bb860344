// pictavo-svg-worker: the helper process the programs draw SVG drawings in (see icon/ZsSvg.h). It reads
// drawing requests on its standard input and writes the pixels on its standard output until its input
// ends. Hostile drawings run here, so it limits its own address space and leaves no core file; the
// program that started it limits its time and kills it when a drawing overruns.
#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "common/ZsLog.h"
#include "icon/ZsSvg.h"

namespace {

void SetLimit(int nResource, rlim_t nLimit) {
    rlimit limit = {};
    if (getrlimit(nResource, &limit) == 0) {
        // A limit that is already lower stays.
        limit.rlim_cur = std::min(limit.rlim_cur, nLimit);
        limit.rlim_max = std::min(limit.rlim_max, nLimit);
        setrlimit(nResource, &limit);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc > 1) {
        const bool bHelp = std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0;
        std::fprintf(bHelp ? stdout : stderr,
                     "Usage: %s\n\nDraws SVG drawings for the Pictavo programs, which start it themselves; "
                     "it takes no arguments.\n",
                     ZS_SVG_WORKER_NAME);
        return bHelp ? 0 : 2;
    }
    SetLimit(RLIMIT_CORE, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves far more address space than it uses; its builds go without this limit.
    SetLimit(RLIMIT_AS, static_cast<rlim_t>(ZS_SVG_WORKER_ADDRESS_SPACE));
#endif
    // A caller that has gone makes a write fail rather than end the process mid-message.
    signal(SIGPIPE, SIG_IGN);
    // Nothing of the programs' own is touched: no log file, no data folder.
    ZsSetLogSink([](const std::string&) {});
    // The answers keep standard output to themselves: anything else printed goes to standard error.
    const int nOut = dup(STDOUT_FILENO);
    if (nOut < 0 || dup2(STDERR_FILENO, STDOUT_FILENO) < 0) {
        std::perror(ZS_SVG_WORKER_NAME);
        return 1;
    }
    return ZsServeSvgRequests(STDIN_FILENO, nOut);
}
