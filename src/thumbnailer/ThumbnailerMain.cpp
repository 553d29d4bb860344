// pictavo-thumbnailer: the thumbnails file managers show for icon files, classic icon libraries, modules and
// extended icon libraries. It runs unattended on whatever file lands in a folder the user opens, so it
// limits its own time, memory and output before it reads anything, and ends with a non-zero code (and no
// output file) on any file it cannot show.
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <string>

#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "common/ZsLog.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"
#include "library/ZsThumbnail.h"

namespace {

// The help text; its file types come from the table of those read.
const std::string& Usage() {
    static const std::string sUsage =
        "Usage: pictavo-thumbnailer -s SIZE INPUT OUTPUT\n"
        "\n"
        "Writes a PNG thumbnail of at most SIZE x SIZE pixels (1 to 1024) of a file of the types below\n"
        "(an icon file shows its image nearest the size, a library or module its first icon) or of an\n"
        "extended icon library (.pctv: its first icons in a grid). File managers run it through the entry\n"
        "pictavo.thumbnailer.\n"
        "\n"
        "File types:\n" +
        ZsFileTypeHelp(true) +
        "\n"
        "Exit codes: 0 thumbnail written, 1 the file cannot be shown, 2 bad usage.\n";
    return sUsage;
}

// Resource limits for one run: a few seconds of processor time (SIGXCPU ends the process), a little
// longer of wall-clock time (SIGALRM), address space for a large module and a large picture but not
// more, a bounded output file and no core file.
constexpr rlim_t kCpuSeconds = 10;
constexpr unsigned kWallSeconds = 30;
constexpr rlim_t kAddressSpace = rlim_t{1} << 30;
constexpr rlim_t kOutputBytes = rlim_t{64} << 20;

void SetLimit(int nResource, rlim_t nSoft, rlim_t nHard) {
    rlimit limit = {};
    if (getrlimit(nResource, &limit) == 0) {
        // A limit that is already lower stays.
        limit.rlim_cur = std::min(limit.rlim_cur, nSoft);
        limit.rlim_max = std::min(limit.rlim_max, nHard);
        limit.rlim_cur = std::min(limit.rlim_cur, limit.rlim_max);
        setrlimit(nResource, &limit);
    }
}

void LimitResources() {
    SetLimit(RLIMIT_CPU, kCpuSeconds, kCpuSeconds + 2);
    SetLimit(RLIMIT_FSIZE, kOutputBytes, kOutputBytes);
    SetLimit(RLIMIT_CORE, 0, 0);
#if !defined(__SANITIZE_ADDRESS__)
    // AddressSanitizer reserves far more address space than it uses; its builds go without this limit.
    SetLimit(RLIMIT_AS, kAddressSpace, kAddressSpace);
#endif
    alarm(kWallSeconds);
}

int Usage(const char* pszWhy) {
    std::fprintf(stderr, "pictavo-thumbnailer: %s\n\n%s", pszWhy, Usage().c_str());
    return 2;
}

// A whole decimal number of 1 to 4 digits; -1 for anything else.
int ParseSize(const char* pszText) {
    const size_t n = std::strlen(pszText);
    if (n < 1 || n > 4 || std::strspn(pszText, "0123456789") != n) {
        return -1;
    }
    return std::atoi(pszText);
}

int Run(int argc, char** argv) {
    if (argc == 2 && (std::strcmp(argv[1], "--help") == 0 || std::strcmp(argv[1], "-h") == 0)) {
        std::fputs(Usage().c_str(), stdout);
        return 0;
    }
    if (argc == 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("pictavo-thumbnailer %s\n", PICTAVO_VERSION);
        return 0;
    }
    if (argc != 5 || std::strcmp(argv[1], "-s") != 0) {
        return Usage("expected -s SIZE INPUT OUTPUT.");
    }
    const int nSize = ParseSize(argv[2]);
    if (nSize < 1 || nSize > ZS_THUMB_MAX_SIZE) {
        return Usage("SIZE must be a number from 1 to 1024.");
    }
    const std::filesystem::path input = ZsPathFromUtf8(argv[3]);
    const std::filesystem::path output = ZsPathFromUtf8(argv[4]);
    std::string sError;
    const CZsBitmap thumbnail = ZsMakeThumbnail(input, nSize, &sError);
    if (thumbnail.IsNull()) {
        std::fprintf(stderr, "pictavo-thumbnailer: '%s': %s\n", argv[3], sError.c_str());
        return 1;
    }
    const ZsBlock png = ZsEncodePicture(thumbnail, ZS_PIC_PNG);
    if (png.empty() || !ZsWriteFile(output, png)) {
        std::error_code ec;
        std::filesystem::remove(output, ec);
        std::fprintf(stderr, "pictavo-thumbnailer: cannot write '%s'.\n", argv[4]);
        return 1;
    }
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    LimitResources();
    // Nothing of the desktop program's own is touched: no log file, no data folder.
    ZsSetLogSink([](const std::string&) {});
    ZsUseSvgWorker();
    try {
        return Run(argc, argv);
    } catch (const std::bad_alloc&) {
        std::fprintf(stderr, "pictavo-thumbnailer: out of memory.\n");
        if (argc == 5) {
            std::error_code ec;
            std::filesystem::remove(ZsPathFromUtf8(argv[4]), ec);
        }
        return 1;
    }
}
