// Icon search over hostile texts. The input is one byte of options (case, whole word, regular expression,
// names, keywords), then lines: the search text, and names and keywords of the icons, alternately.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "FuzzSupport.h"
#include "library/ZsIconLib.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    if (nSize < 1) {
        return 0;
    }
    const uint8_t nOptions = pData[0];
    std::vector<std::string> lines;
    std::string_view rest(reinterpret_cast<const char*>(pData + 1), nSize - 1);
    for (size_t nEnd = rest.find('\n'); !rest.empty(); nEnd = rest.find('\n')) {
        lines.emplace_back(rest.substr(0, nEnd));
        rest = nEnd == std::string_view::npos ? std::string_view() : rest.substr(nEnd + 1);
    }
    if (lines.empty()) {
        return 0;
    }
    static const ZsBlock kIcon{0, 0, 1, 0, 0, 0};
    CZsIconLib lib;
    lib.NewLib();
    ZIL_LIST all;
    for (size_t i = 1; i < lines.size(); i += 2) {
        const int32_t nId = lib.ImpIcon(kIcon, &lines[i]);
        lib.SetIconKeywords(nId, i + 1 < lines.size() ? lines[i + 1] : std::string());
        all.push_back(nId);
    }
    lib.ListToNode(ZIL_ID_ALL, all);
    std::string sError;
    lib.FindIcons(lines[0], {ZIL_ID_ALL}, nOptions & 1, nOptions & 2, nOptions & 4, nOptions & 8,
                  nOptions & 16, &sError);
    // Results are icons of the scope, each once at most.
    if (lib.GetList(ZIL_ID_FIND).size() > all.size()) {
        __builtin_trap();
    }
    return 0;
}
