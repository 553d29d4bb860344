// ICO blocks on arbitrary bytes: unpacking, the pixels of every image, and replacing them.
#include <cstddef>
#include <cstdint>

#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    const ZsBytes data(pData, nSize);
    CIcon icon;
    if (!icon.SetData(data)) {
        return 0;
    }
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        const ZI_FORMAT f = icon.GetImage(i).Format();
        if (static_cast<int64_t>(f.nWidth) * f.nHeight > 1 << 20) {
            continue;
        }
        CZsBitmap bmp = icon.GetHBITMAP(i);
        if (!bmp.IsNull()) {
            icon.SetHBITMAP(bmp, i);
        }
    }
    int w = 32, h = 32, b = 32;
    ZI_GetIconHandle(data, w, h, b);
    return 0;
}
