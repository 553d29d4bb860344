#include "SqliteFaults.h"

#include <sqlite3.h>

#include <csignal>
#include <cstring>
#include <string_view>

namespace test {

namespace {

struct FaultState {
    sqlite3_vfs* pReal = nullptr;
    sqlite3_vfs vfs{};
    std::string sFullFolder;  // empty: no disk is full
    uint64_t nFree = 0;
    bool bCounting = false;
    int nCount = 0;
    int nKillAt = 0;  // 0: no kill
};

FaultState& State() {
    static FaultState state;
    return state;
}

// A file of the layer: ours first, the system's file right behind it.
struct FaultFile {
    sqlite3_file base;
    sqlite3_file* pReal;
    const char* zName;  // SQLite keeps it valid until the file is closed; null for a temporary file
};

bool OnFullDisk(sqlite3_file* p) {
    const FaultState& s = State();
    const char* zName = reinterpret_cast<FaultFile*>(p)->zName;
    return zName && !s.sFullFolder.empty() && std::string_view(zName).starts_with(s.sFullFolder);
}

sqlite3_file* Real(sqlite3_file* p) {
    return reinterpret_cast<FaultFile*>(p)->pReal;
}

void CountOperation() {
    FaultState& s = State();
    if (s.bCounting && ++s.nCount == s.nKillAt) {
        std::raise(SIGKILL);
    }
}

int Close(sqlite3_file* p) {
    sqlite3_file* pReal = Real(p);
    return pReal->pMethods ? pReal->pMethods->xClose(pReal) : SQLITE_OK;
}

int Read(sqlite3_file* p, void* pBuf, int nAmount, sqlite3_int64 nOffset) {
    return Real(p)->pMethods->xRead(Real(p), pBuf, nAmount, nOffset);
}

int Write(sqlite3_file* p, const void* pBuf, int nAmount, sqlite3_int64 nOffset) {
    CountOperation();
    FaultState& s = State();
    sqlite3_file* pReal = Real(p);
    if (OnFullDisk(p)) {
        sqlite3_int64 nSize = 0;
        if (pReal->pMethods->xFileSize(pReal, &nSize) != SQLITE_OK) {
            return SQLITE_IOERR_WRITE;
        }
        const sqlite3_int64 nEnd = nOffset + nAmount;
        const uint64_t nGrowth = nEnd > nSize ? static_cast<uint64_t>(nEnd - nSize) : 0;
        if (nGrowth > s.nFree) {
            return SQLITE_FULL;
        }
        s.nFree -= nGrowth;
    }
    return pReal->pMethods->xWrite(pReal, pBuf, nAmount, nOffset);
}

int Truncate(sqlite3_file* p, sqlite3_int64 nSize) {
    CountOperation();
    return Real(p)->pMethods->xTruncate(Real(p), nSize);
}

// Syncs are counted but not carried out (nor are those of folders when a file is deleted): what a process
// has written survives its being killed without them, and the tests run much faster.
int Sync(sqlite3_file*, int) {
    CountOperation();
    return SQLITE_OK;
}

int FileSize(sqlite3_file* p, sqlite3_int64* pSize) {
    return Real(p)->pMethods->xFileSize(Real(p), pSize);
}

int Lock(sqlite3_file* p, int nLock) {
    return Real(p)->pMethods->xLock(Real(p), nLock);
}

int Unlock(sqlite3_file* p, int nLock) {
    return Real(p)->pMethods->xUnlock(Real(p), nLock);
}

int CheckReservedLock(sqlite3_file* p, int* pResOut) {
    return Real(p)->pMethods->xCheckReservedLock(Real(p), pResOut);
}

int FileControl(sqlite3_file* p, int nOp, void* pArg) {
    return Real(p)->pMethods->xFileControl(Real(p), nOp, pArg);
}

int SectorSize(sqlite3_file* p) {
    return Real(p)->pMethods->xSectorSize(Real(p));
}

int DeviceCharacteristics(sqlite3_file* p) {
    return Real(p)->pMethods->xDeviceCharacteristics(Real(p));
}

// Version 1: no shared memory and no memory mapping, so the rollback journal and plain reads are used.
const sqlite3_io_methods kMethods = {
    1,
    Close,
    Read,
    Write,
    Truncate,
    Sync,
    FileSize,
    Lock,
    Unlock,
    CheckReservedLock,
    FileControl,
    SectorSize,
    DeviceCharacteristics,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
    nullptr,
};

int Open(sqlite3_vfs*, const char* zName, sqlite3_file* p, int nFlags, int* pOutFlags) {
    FaultState& s = State();
    auto* pFile = reinterpret_cast<FaultFile*>(p);
    pFile->pReal = reinterpret_cast<sqlite3_file*>(pFile + 1);
    pFile->zName = zName;
    std::memset(pFile->pReal, 0, static_cast<size_t>(s.pReal->szOsFile));
    const int rc = s.pReal->xOpen(s.pReal, zName, pFile->pReal, nFlags, pOutFlags);
    pFile->base.pMethods = pFile->pReal->pMethods ? &kMethods : nullptr;
    return rc;
}

int Delete(sqlite3_vfs*, const char* zName, int) {
    CountOperation();
    return State().pReal->xDelete(State().pReal, zName, 0);
}

int Access(sqlite3_vfs*, const char* zName, int nFlags, int* pResOut) {
    return State().pReal->xAccess(State().pReal, zName, nFlags, pResOut);
}

int FullPathname(sqlite3_vfs*, const char* zName, int nOut, char* zOut) {
    return State().pReal->xFullPathname(State().pReal, zName, nOut, zOut);
}

int Randomness(sqlite3_vfs*, int nBytes, char* zOut) {
    return State().pReal->xRandomness(State().pReal, nBytes, zOut);
}

int Sleep(sqlite3_vfs*, int nMicroseconds) {
    return State().pReal->xSleep(State().pReal, nMicroseconds);
}

int CurrentTime(sqlite3_vfs*, double* pTime) {
    return State().pReal->xCurrentTime(State().pReal, pTime);
}

int GetLastError(sqlite3_vfs*, int nBytes, char* zOut) {
    return State().pReal->xGetLastError(State().pReal, nBytes, zOut);
}

int CurrentTimeInt64(sqlite3_vfs*, sqlite3_int64* pTime) {
    return State().pReal->xCurrentTimeInt64(State().pReal, pTime);
}

}  // namespace

SqliteFaults::SqliteFaults() {
    sqlite3_initialize();
    FaultState& s = State();
    s = FaultState();
    s.pReal = sqlite3_vfs_find(nullptr);
    s.vfs.iVersion = 2;
    s.vfs.szOsFile = static_cast<int>(sizeof(FaultFile)) + s.pReal->szOsFile;
    s.vfs.mxPathname = s.pReal->mxPathname;
    s.vfs.zName = "pictavo-test-faults";
    s.vfs.xOpen = Open;
    s.vfs.xDelete = Delete;
    s.vfs.xAccess = Access;
    s.vfs.xFullPathname = FullPathname;
    s.vfs.xRandomness = Randomness;
    s.vfs.xSleep = Sleep;
    s.vfs.xCurrentTime = CurrentTime;
    s.vfs.xGetLastError = GetLastError;
    s.vfs.xCurrentTimeInt64 = CurrentTimeInt64;
    sqlite3_vfs_register(&s.vfs, 1);
}

SqliteFaults::~SqliteFaults() {
    sqlite3_vfs_unregister(&State().vfs);
    sqlite3_vfs_register(State().pReal, 1);
}

void SqliteFaults::FillDisk(const std::filesystem::path& folder, uint64_t nFreeBytes) {
    State().sFullFolder = folder.string();
    State().nFree = nFreeBytes;
}

void SqliteFaults::FreeDisk() {
    State().sFullFolder.clear();
}

void SqliteFaults::StartCounting() {
    State().bCounting = true;
    State().nCount = 0;
    State().nKillAt = 0;
}

int SqliteFaults::Count() const {
    return State().nCount;
}

void SqliteFaults::KillAt(int n) {
    StartCounting();
    State().nKillAt = n;
}

}  // namespace test
