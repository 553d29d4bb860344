// Icon libraries and modules: the NE reader, the PE reader with its resource directory walk, and the
// assembling of every group.
#include <cstdint>

#include "common/ZsLog.h"
#include "icon/ZsIconLibrary.h"
#include "icon/ZsPe.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    // Damaged input makes the readers report; those lines are not wanted in anybody's log file.
    static const bool bQuiet = [] {
        ZsSetLogSink([](const std::string&) {});
        return true;
    }();
    (void)bQuiet;
    ZsBlock bytes(data, data + size);
    CIconLibrary lib;
    if (lib.Open("fuzz.icl", bytes)) {
        for (int i = 0; i < lib.GetIconCount(); ++i) {
            lib.GetIconName(i);
            ZsBlock icon = lib.GetIconData(i);
            if (!icon.empty() && icon.size() < 6) {
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
    }
    return 0;
}
