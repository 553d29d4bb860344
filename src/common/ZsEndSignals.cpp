#include "common/ZsEndSignals.h"

#include <signal.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cstring>

namespace {

constexpr size_t kSlots = 16;
constexpr size_t kPathBytes = 4096;

// A slot is written only while it is free and then published; the handler reads published slots only.
struct CSlot {
    std::atomic<bool> bUsed{false};
    std::atomic<bool> bPublished{false};
    char szPath[kPathBytes] = {};
};

std::array<CSlot, kSlots>& Slots() {
    static std::array<CSlot, kSlots> slots;
    return slots;
}

constexpr int kSignals[] = {SIGINT, SIGTERM, SIGHUP};

extern "C" void OnEndSignal(int nSignal) {
    for (CSlot& slot : Slots()) {
        if (slot.bPublished.load()) {
            unlink(slot.szPath);
        }
    }
    // Folders listed go once the files in them have gone.
    for (CSlot& slot : Slots()) {
        if (slot.bPublished.load()) {
            rmdir(slot.szPath);
        }
    }
    // The process ends as the signal would have ended it, so that the caller sees how.
    signal(nSignal, SIG_DFL);
    raise(nSignal);
}

}  // namespace

void ZsRemoveFilesAtEndSignals() {
    Slots();  // made before any handler can run
    for (int nSignal : kSignals) {
        struct sigaction old {};
        if (sigaction(nSignal, nullptr, &old) != 0 || old.sa_handler != SIG_DFL) {
            continue;
        }
        struct sigaction action {};
        action.sa_handler = OnEndSignal;
        sigemptyset(&action.sa_mask);
        for (int nOther : kSignals) {
            sigaddset(&action.sa_mask, nOther);
        }
        sigaction(nSignal, &action, nullptr);
    }
}

bool ZsListForEndSignals(const std::filesystem::path& path) {
    const std::string& sPath = path.native();
    if (sPath.empty() || sPath.size() >= kPathBytes) {
        return false;
    }
    for (CSlot& slot : Slots()) {
        bool bFree = false;
        if (slot.bUsed.compare_exchange_strong(bFree, true)) {
            std::memcpy(slot.szPath, sPath.c_str(), sPath.size() + 1);
            slot.bPublished.store(true);
            return true;
        }
    }
    return false;
}

void ZsUnlistForEndSignals(const std::filesystem::path& path) {
    for (CSlot& slot : Slots()) {
        if (slot.bPublished.load() && path.native() == slot.szPath) {
            slot.bPublished.store(false);
            slot.bUsed.store(false);
            return;
        }
    }
}
