// ICO data blocks: inspection, unpacking, packing and the choice of a display image.
#include <cstdint>

#include "icon/ZsIcon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    ZsBytes bytes(data, size);
    ZI_INFO info;
    ZI_GetIconInfo(bytes, &info);
    ZI_GetImageCount(bytes);
    int w = 48, h = 48, b = 32;
    ZI_ChooseImage(bytes, w, h, b);
    CIcon icon;
    if (icon.SetData(bytes)) {
        ZsBlock packed = icon.GetData(-1);
        CIcon again;
        if (!again.SetData(packed) || again.GetImageCount() != icon.GetImageCount()) {
            __builtin_trap();
        }
        icon.GetDataNearest(32, 32);
        icon.RemoveFormats(std::vector<ZI_FORMAT>{{16, 16, 32}}, true, true);
    }
    return 0;
}
