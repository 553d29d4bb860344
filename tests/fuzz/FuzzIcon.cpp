// ICO data blocks on arbitrary bytes: inspection, unpacking and packing, the choice of a display image, the
// pixels of every image, their replacement, and formats generated from the largest image.
#include <cstddef>
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "icon/ZsCodec.h"
#include "icon/ZsIcon.h"

namespace {

constexpr int64_t kSmallPixels = 64 * 64;

}  // namespace

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
    // Pixels are made at each image's format size, which the directory may put far from the data's own;
    // small formats reach the same code at a fraction of the cost.
    const auto small = [&](int i) {
        const ZI_FORMAT f = icon.GetImage(i).Format();
        return static_cast<int64_t>(f.nWidth) * f.nHeight <= kSmallPixels;
    };
    for (int i = 0; i < icon.GetImageCount(); ++i) {
        if (!small(i)) {
            continue;
        }
        CZsBitmap bmp = icon.GetHBITMAP(i);
        // Pixels written into an image are pixels the image can give back.
        if (!bmp.IsNull() && icon.SetHBITMAP(bmp, i) && icon.GetHBITMAP(i).IsNull()) {
            __builtin_trap();
        }
    }
    icon.GetDataNearest(32, 32);
    const std::vector<ZI_FORMAT> formats{{8, 8, 32}, {8, 8, 8}, {8, 8, 4}, {8, 8, 1}};
    if (icon.GetImageCount() > 0 && small(0)) {
        icon.SetFormats(formats);
    }
    icon.RemoveFormats(formats, true, true);
    return 0;
}
