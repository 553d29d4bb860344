// Picture decoders on arbitrary bytes, and the icon made of whatever they decode.
#include <cstddef>
#include <cstdint>

#include "icon/ZsPicture.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    CZsBitmap bmp = ZsDecodePicture(ZsBytes(pData, nSize));
    if (!bmp.IsNull() && static_cast<int64_t>(bmp.Width()) * bmp.Height() <= 1 << 20) {
        ZI_PictureToIcon(bmp, ZI_SIZING_SHRINK);
    }
    return 0;
}
