// Apple icon files on arbitrary bytes: reading them into an icon, and writing the icon read back out.
#include <cstddef>
#include <cstdint>

#include "FuzzSupport.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBlock block = ZI_IcnsToIcon(ZsBytes(pData, nSize));
    if (block.empty()) {
        return 0;
    }
    // What is read is a sound icon with at least one image, each of which decodes.
    CIcon icon;
    if (!icon.SetData(block) || icon.GetImageCount() == 0) {
        __builtin_trap();
    }
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        if (icon.GetImage(i).Format().nWidth <= 64 && icon.GetHBITMAP(i).IsNull()) {
            __builtin_trap();
        }
    }
    // Written again only when small, so that one input never costs the generation of 1024-pixel images.
    if (icon.GetImage(0).Format().nWidth <= 32 && ZI_IcnsToIcon(ZI_IconToIcns(icon)).empty()) {
        __builtin_trap();
    }
    return 0;
}
