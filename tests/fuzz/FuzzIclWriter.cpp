// The PE resource writer on arbitrary templates and icons. The input is the template's length (two bytes,
// little-endian), the template, and the icon. An icon written into a template that the writer accepts must
// read back from the new image with every one of its images.
#include <algorithm>
#include <cstdint>

#include "FuzzSupport.h"
#include "icon/ZsIclWriter.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    if (nSize < 2) {
        return 0;
    }
    const size_t nTemplate = std::min<size_t>(pData[0] | (pData[1] << 8), nSize - 2);
    ZsBlock temp(pData + 2, pData + 2 + nTemplate);
    const ZsBytes icon(pData + 2 + nTemplate, nSize - 2 - nTemplate);
    CZsPeResUpdate update;
    if (!update.Begin("fuzz.icl", CZsFileBytes::FromBlock(std::move(temp))) ||
        ZI_AddIconResources(update, icon, 1, 1) != ZI_UPDATE_OK ||
        !update.Update(CZsResName(ZS_RT_ICL_NAMES), CZsResName(1), 0, ZI_MakeIconNames({"fuzz"}))) {
        return 0;
    }
    ZsBlock image;
    if (!update.Build(&image)) {
        return 0;
    }
    CIconLibrary lib;
    if (!lib.Open("fuzz.icl", image) || lib.mnType != CIconLibrary::TYPE_PE) {
        __builtin_trap();
    }
    const auto it = std::find(lib.mssGrpNames.begin(), lib.mssGrpNames.end(), "#1");
    if (it == lib.mssGrpNames.end()) {
        __builtin_trap();
    }
    const ZsBlock group = lib.GetIconData(static_cast<int>(it - lib.mssGrpNames.begin()));
    if (ZI_GetImageCount(group) != ZI_GetImageCount(icon)) {
        __builtin_trap();
    }
    return 0;
}
