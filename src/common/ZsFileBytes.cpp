#include "common/ZsFileBytes.h"

#if defined(__unix__) || defined(__APPLE__)
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <atomic>
#include <mutex>
#define ZS_HAVE_MMAP 1
#endif

#ifdef ZS_HAVE_MMAP
namespace {

// The mappings that a SIGBUS may hit. An owner takes a free entry, stores the length and then the start;
// the signal handler reads nothing but these atomics.
struct CGuardEntry {
    std::atomic<bool> bTaken{false};
    std::atomic<uintptr_t> nStart{0};
    std::atomic<size_t> nLength{0};
};
constexpr int kGuardEntries = 256;
CGuardEntry gGuards[kGuardEntries];
uintptr_t gnPageSize = 4096;
struct sigaction gPreviousSigBus;

void OnSigBus(int nSignal, siginfo_t* pInfo, void* pContext) {
    const uintptr_t nAddr = reinterpret_cast<uintptr_t>(pInfo->si_addr);
    for (const CGuardEntry& guard : gGuards) {
        const uintptr_t nStart = guard.nStart.load(std::memory_order_acquire);
        if (nStart == 0 || nAddr < nStart ||
            nAddr - nStart >= guard.nLength.load(std::memory_order_relaxed)) {
            continue;
        }
        // The page is gone from the file: a page of zeros takes its place and the access is repeated.
        void* pPage = reinterpret_cast<void*>(nAddr & ~(gnPageSize - 1));
        if (::mmap(pPage, gnPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0) !=
            MAP_FAILED) {
            return;
        }
        break;
    }
    // Not one of our mappings: whoever handled the signal before decides; by default the process ends.
    if (gPreviousSigBus.sa_flags & SA_SIGINFO) {
        gPreviousSigBus.sa_sigaction(nSignal, pInfo, pContext);
    } else if (gPreviousSigBus.sa_handler != SIG_DFL && gPreviousSigBus.sa_handler != SIG_IGN) {
        gPreviousSigBus.sa_handler(nSignal);
    } else {
        // Returning repeats the access, which now ends the process as it would have without us.
        ::signal(SIGBUS, SIG_DFL);
    }
}

// The entry that now guards the mapping; -1 when all are taken.
int GuardMapping(const void* pMap, size_t nLength) {
    static std::once_flag installed;
    std::call_once(installed, [] {
        gnPageSize = static_cast<uintptr_t>(::sysconf(_SC_PAGESIZE));
        struct sigaction action = {};
        action.sa_sigaction = OnSigBus;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_SIGINFO;
        ::sigaction(SIGBUS, &action, &gPreviousSigBus);
    });
    for (int i = 0; i < kGuardEntries; ++i) {
        bool bFree = false;
        if (gGuards[i].bTaken.compare_exchange_strong(bFree, true)) {
            gGuards[i].nLength.store(nLength, std::memory_order_relaxed);
            gGuards[i].nStart.store(reinterpret_cast<uintptr_t>(pMap), std::memory_order_release);
            return i;
        }
    }
    return -1;
}

void ReleaseGuard(int nGuard) {
    gGuards[nGuard].nStart.store(0, std::memory_order_release);
    gGuards[nGuard].nLength.store(0, std::memory_order_relaxed);
    gGuards[nGuard].bTaken.store(false, std::memory_order_release);
}

}  // namespace
#endif

std::shared_ptr<const CZsFileBytes> CZsFileBytes::FromBlock(ZsBlock block) {
    std::shared_ptr<CZsFileBytes> p(new CZsFileBytes());
    p->mBlock = std::move(block);
    p->mBytes = p->mBlock;
    return p;
}

std::shared_ptr<const CZsFileBytes> CZsFileBytes::Open(const std::filesystem::path& path, uint64_t nMaxBytes,
                                                       std::string* pError) {
#ifdef ZS_HAVE_MMAP
    uint64_t nSize = 0;
    const int fd = ZsOpenRegularFile(path, &nSize, pError);
    if (fd < 0) {
        return nullptr;
    }
    if (nSize > nMaxBytes) {
        ::close(fd);
        if (pError) {
            *pError = "it is larger than " + std::to_string(nMaxBytes) + " bytes";
        }
        return nullptr;
    }
    std::shared_ptr<CZsFileBytes> p(new CZsFileBytes());
    if (nSize > 0) {
        const size_t nLength = static_cast<size_t>(nSize);
        void* pMap = ::mmap(nullptr, nLength, PROT_READ, MAP_PRIVATE, fd, 0);
        if (pMap != MAP_FAILED) {
            p->mnGuard = GuardMapping(pMap, nLength);
            if (p->mnGuard >= 0) {
                p->mpMap = pMap;
                p->mnMapLength = nLength;
                p->mBytes = ZsBytes(static_cast<const uint8_t*>(pMap), nLength);
            } else {
                ::munmap(pMap, nLength);
            }
        }
    }
    ::close(fd);
    if (p->mpMap || nSize == 0) {
        return p;
    }
#endif
    std::optional<ZsBlock> block = ZsReadFile(path, nMaxBytes, pError);
    if (!block) {
        return nullptr;
    }
    return FromBlock(std::move(*block));
}

CZsFileBytes::~CZsFileBytes() {
#ifdef ZS_HAVE_MMAP
    if (mpMap) {
        ReleaseGuard(mnGuard);
        ::munmap(mpMap, mnMapLength);
    }
#endif
}
