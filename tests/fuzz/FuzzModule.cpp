// Icon libraries and modules on arbitrary bytes: the file-kind test, the NE reader, the PE reader with its
// resource directory walk, the names of every group and the assembling of every group's data.
#include <cstdint>
#include <vector>

#include "FuzzSupport.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    const ZsBlock bytes(pData, pData + nSize);
    CIconLibrary::GetFileKind(bytes);
    CIconLibrary lib;
    if (lib.Open("fuzz.icl", bytes)) {
        for (int i = 0; i < lib.GetIconCount(); ++i) {
            lib.GetIconName(i);
            // A group is either refused or assembled with a directory that its block holds.
            const ZsBlock icon = lib.GetIconData(i);
            if (!icon.empty() &&
                (icon.size() < 6 || icon.size() < 6 + 16 * (icon[4] + 256 * size_t{icon[5]}))) {
                __builtin_trap();
            }
        }
    }
    CZsPeModule module;
    if (module.Load(bytes)) {
        std::vector<ZS_PE_RESOURCE> all;
        module.ReadAll(&all);
        std::vector<CZsResName> names;
        module.EnumNames(CZsResName(ZS_RT_ICON), &names);
        ZsBytes found;
        module.Find(CZsResName(ZS_RT_ICL_NAMES), CZsResName(1), &found);
    }
    return 0;
}
