// The read-only bytes of a whole file, mapped into memory where the system allows it and read otherwise.
// Mapped pages are loaded when first touched, so a parser that reads only headers and directories does not
// read the rest of the file. The bytes stay valid while any owner holds the object.
//
// Another process may cut a mapped file short or rewrite it while we read it (an unfinished download, a file
// on a network share). Touching a page past the file's new end would end the process with SIGBUS; instead,
// such a page reads as zeros from then on, and the bounds-checked parsers above treat it as the damaged data
// it is.
#pragma once

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

#include "common/ZsBase.h"

class CZsFileBytes {
public:
    // None, with the reason in *pError, when the file is not a regular file (ZsOpenRegularFile), cannot be
    // opened or is larger than nMaxBytes.
    static std::shared_ptr<const CZsFileBytes> Open(const std::filesystem::path& path,
                                                    uint64_t nMaxBytes = UINT64_C(1) << 32,
                                                    std::string* pError = nullptr);
    // Bytes already in memory, owned from now on.
    static std::shared_ptr<const CZsFileBytes> FromBlock(ZsBlock block);

    ~CZsFileBytes();
    CZsFileBytes(const CZsFileBytes&) = delete;
    CZsFileBytes& operator=(const CZsFileBytes&) = delete;

    ZsBytes Bytes() const { return mBytes; }

private:
    CZsFileBytes() = default;

    ZsBlock mBlock;         // read bytes, when not mapped
    void* mpMap = nullptr;  // the mapping, when mapped
    size_t mnMapLength = 0;
    int mnGuard = -1;  // the mapping's entry among the guarded ones
    ZsBytes mBytes;
};
