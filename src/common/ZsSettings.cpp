#include "common/ZsSettings.h"

#include "common/ZsBase.h"

std::string CZsTextSetting::Default() const {
    switch (nDefaultFrom) {
        case ZS_TEXT_DEFAULT::DOCUMENTS_DIR:
            return ZsPathToUtf8(ZsGetDocumentsDir());
        case ZS_TEXT_DEFAULT::APP_DIR:
            return ZsPathToUtf8(ZsGetAppDir());
        case ZS_TEXT_DEFAULT::LITERAL:
            break;
    }
    return pszDefault;
}

std::string CZsTextSetting::Get(const CZsMemIni& ini) const {
    return ini.GetString(pszKey, Default(), pszSection);
}
