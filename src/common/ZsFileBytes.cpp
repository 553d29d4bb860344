#include "common/ZsFileBytes.h"

#if defined(__unix__) || defined(__APPLE__)
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>
#define ZS_HAVE_MMAP 1
#endif

std::shared_ptr<const CZsFileBytes> CZsFileBytes::FromBlock(ZsBlock block) {
    std::shared_ptr<CZsFileBytes> p(new CZsFileBytes());
    p->mBlock = std::move(block);
    p->mBytes = p->mBlock;
    return p;
}

std::shared_ptr<const CZsFileBytes> CZsFileBytes::Open(const std::filesystem::path& path,
                                                       uint64_t nMaxBytes) {
#ifdef ZS_HAVE_MMAP
    int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        return nullptr;
    }
    struct stat st {};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) || static_cast<uint64_t>(st.st_size) > nMaxBytes) {
        ::close(fd);
        return nullptr;
    }
    std::shared_ptr<CZsFileBytes> p(new CZsFileBytes());
    if (st.st_size > 0) {
        void* pMap = ::mmap(nullptr, static_cast<size_t>(st.st_size), PROT_READ, MAP_PRIVATE, fd, 0);
        if (pMap != MAP_FAILED) {
            p->mpMap = pMap;
            p->mnMapLength = static_cast<size_t>(st.st_size);
            p->mBytes = ZsBytes(static_cast<const uint8_t*>(pMap), p->mnMapLength);
        }
    }
    ::close(fd);
    if (p->mpMap || st.st_size == 0) {
        return p;
    }
#endif
    std::optional<ZsBlock> block = ZsReadFile(path, nMaxBytes);
    if (!block) {
        return nullptr;
    }
    return FromBlock(std::move(*block));
}

CZsFileBytes::~CZsFileBytes() {
#ifdef ZS_HAVE_MMAP
    if (mpMap) {
        ::munmap(mpMap, mnMapLength);
    }
#endif
}
