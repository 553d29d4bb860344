// The SVG renderer on arbitrary text: an icon of two small sizes and one depth reduction, and the picture of
// the drawing's own size when that is small.
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "FuzzSupport.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBytes bytes(pData, nSize);
    if (!ZsIsSvg(bytes)) {
        return 0;
    }
    std::string sError;
    const std::vector<ZI_FORMAT> formats = {{16, 16, 32}, {24, 24, 8}};
    const ZsBlock icon = ZI_SvgToIcon(bytes, formats, &sError);
    // A drawing that gives no icon always says why; one that does gives every format.
    if (icon.empty() == sError.empty() || (!icon.empty() && ZI_GetImageCount(icon) != 2)) {
        __builtin_trap();
    }
    CZsSvg drawing;
    if (drawing.Load(bytes) && drawing.Width() * drawing.Height() <= 64 * 64) {
        ZsRenderSvgPicture(bytes);
    }
    return 0;
}
