#include "common/ZsFileTypes.h"

#include <algorithm>

#include "common/ZsText.h"

namespace {

bool InKinds(const ZS_FILE_TYPE& type, unsigned nKinds) {
    return (nKinds & ZS_KIND_BIT(type.nKind)) != 0;
}

}  // namespace

const ZS_FILE_TYPE* ZsFindFileType(std::string_view sExt) {
    const std::string sLower = ZsToLower(sExt);
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        if (sLower == type.pszExt) {
            return &type;
        }
    }
    return nullptr;
}

std::string ZsFileTypePatterns(unsigned nKinds) {
    std::string text;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        if (InKinds(type, nKinds)) {
            text += (text.empty() ? "*." : ";*.") + std::string(type.pszExt);
        }
    }
    return text;
}

std::string ZsFileTypeHelp(bool bThumbnailOnly) {
    size_t nWidth = 0;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        nWidth = std::max(nWidth, std::char_traits<char>::length(type.pszExt) + 1);
    }
    std::string text;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        if (type.bThumbnail || !bThumbnailOnly) {
            std::string sExt = std::string(".") + type.pszExt;
            sExt.resize(nWidth + 2, ' ');
            text += "  " + sExt + type.pszDescription + "\n";
        }
    }
    return text;
}

std::string ZsFileTypeMimeList(ZS_MIME_LIST nList) {
    std::string text = nList == ZS_MIME_IMPORT ? std::string() : std::string(ZS_LIBRARY_MIME_TYPE) + ";";
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        const bool bIn = nList == ZS_MIME_THUMBNAIL ? type.bThumbnail
                         : nList == ZS_MIME_OPEN    ? type.nOffer == ZS_OFFER_OPEN
                                                    : type.nOffer == ZS_OFFER_IMPORT;
        if (*type.pszMimeTypes && bIn) {
            text += std::string(type.pszMimeTypes) + ";";
        }
    }
    return text;
}
