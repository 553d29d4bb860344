#include "gui/common/ZsDnD.h"

#include <QMimeData>
#include <QUrl>

#include "common/ZsBase.h"
#include "gui/common/ZsQt.h"

bool ZsHasFormat(const QMimeData* pData, const QString& sMimeType) {
    return pData && pData->hasFormat(sMimeType);
}

bool ZsGetDroppedFiles(const QMimeData* pData, std::vector<std::filesystem::path>* pDirs,
                       std::vector<std::filesystem::path>* pFiles, std::string_view sFilter) {
    if (!pData || !pData->hasUrls()) {
        return false;
    }
    for (const QUrl& url : pData->urls()) {
        if (!url.isLocalFile()) {
            continue;
        }
        const std::filesystem::path path = ZsPathOf(url.toLocalFile());
        std::error_code ec;
        if (std::filesystem::is_directory(path, ec)) {
            if (pDirs) {
                pDirs->push_back(path);
            }
        } else if (pFiles && (sFilter.empty() || ZsMatchWildcards(ZsPathToUtf8(path.filename()), sFilter))) {
            pFiles->push_back(path);
        }
    }
    return true;
}
