// "config.ini" on arbitrary bytes: loading (UTF-16 with or without a byte-order mark, or UTF-8 written by
// hand), the lookups the settings make, and saving what was read and reading it again.
#include <cstdint>
#include <string>

#include "FuzzSupport.h"
#include "common/ZsConfig.h"

namespace {

void Visit(const CZsMemIni& ini) {
    const auto visit = [&](const char* pszSection) {
        const CZsMemIni::Entries* pEntries = ini.FindSection(pszSection);
        if (!pEntries) {
            return;
        }
        for (const auto& [key, value] : *pEntries) {
            ini.GetInt(key, 7, pszSection);
        }
        ini.GetList(pszSection);
        ini.GetIntList(pszSection);
    };
    visit(nullptr);
    for (const char* pszSection : {"Main", "CDialog", "CDlgDelFmts", "CDlgIconExp", "CDlgIconFind",
                                   "CDlgImgExp", "CDlgImpGrid", "CDlgNewFmts", "CDlgOpt"}) {
        visit(pszSection);
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* pData, size_t nSize) {
    fuzz::Quiet();
    static const std::filesystem::path path = fuzz::ScratchPath("config.ini");
    if (!fuzz::WriteScratch(path, pData, nSize)) {
        return 0;
    }
    CZsMemIni ini;
    ini.Load(path);
    Visit(ini);
    if (ini.Save()) {
        CZsMemIni again;
        again.Load(path);
        Visit(again);
    }
    return 0;
}
