// ICO data blocks on arbitrary bytes: inspection, unpacking and packing, the choice of a display image, the
// pixels of every image, their replacement, and formats generated from the largest image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBytes data(pData, nSize);
    ZI_INFO info;
    ZI_GetIconInfo(data, &info);
    int w = 48, h = 48, b = 32;
    ZI_GetIconHandle(data, w, h, b);
    CIcon icon;
    if (!icon.SetData(data)) {
        return 0;
    }
    // Packing keeps every image, so a packed icon unpacks to as many.
    CIcon again;
    if (!again.SetData(icon.GetData(-1)) || again.GetImageCount() != icon.GetImageCount()) {
        __builtin_trap();
    }
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        CZsBitmap bmp = icon.GetHBITMAP(i);
        // Pixels written into an image are pixels the image can give back.
        if (!bmp.IsNull() && icon.SetHBITMAP(bmp, i) && icon.GetHBITMAP(i).IsNull()) {
            __builtin_trap();
        }
    }
    icon.GetDataNearest(32, 32);
    const std::vector<ZI_FORMAT> formats{{16, 16, 32}, {16, 16, 8}, {16, 16, 4}, {16, 16, 1}};
    icon.SetFormats(formats);
    icon.RemoveFormats(formats, true, true);
    return 0;
}
