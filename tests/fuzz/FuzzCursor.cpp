// Cursor files on arbitrary bytes: static cursors made into icons and back, and animated cursors split into
// frames (PICTAVO_FUZZ_ANI).
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcon.h"

#ifndef PICTAVO_FUZZ_ANI
#define PICTAVO_FUZZ_ANI 0
#endif

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBytes data(pData, nSize);
    std::vector<ZsBlock> blocks;
#if PICTAVO_FUZZ_ANI
    if (!ZI_ReadAnimatedCursor(data, blocks)) {
        return 0;
    }
    if (blocks.empty() || blocks.size() > ZI_MAX_ANI_FRAMES) {
        __builtin_trap();
    }
#else
    blocks.push_back(ZI_CursorToIcon(data));
#endif
    for (const ZsBlock& block : blocks) {
        CIcon icon;
        if (block.empty() || !icon.SetData(block)) {
            continue;
        }
        // Every frame or cursor read holds images and goes back out as a cursor with its hot spot at 0,0; a
        // cursor read gives images whose own data names their depth, so all of them come back.
        if (icon.GetImageCount() == 0) {
            __builtin_trap();
        }
        const ZsBlock cur = ZI_IconToCursor(icon, 0, 0);
        const int nBack = cur.empty() ? 0 : ZI_GetImageCount(ZI_CursorToIcon(cur));
        if (!PICTAVO_FUZZ_ANI && !cur.empty() && nBack != icon.GetImageCount()) {
            __builtin_trap();
        }
    }
    return 0;
}
