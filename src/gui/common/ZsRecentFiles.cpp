#include "gui/common/ZsRecentFiles.h"

#include <QSettings>

#include "common/ZsBase.h"
#include "gui/common/ZsQt.h"

namespace {
const QString kSection = QStringLiteral("Recent File List");
}

void CZsRecentFileList::Load() {
    mFiles.clear();
    auto pSettings = ZsFrameworkSettings();
    pSettings->beginGroup(kSection);
    for (size_t i = 1; i <= mnMax; ++i) {
        const QString sPath = pSettings->value(QStringLiteral("File%1").arg(i)).toString();
        if (!sPath.isEmpty()) {
            mFiles.push_back(ZsPathOf(sPath));
        }
    }
}

void CZsRecentFileList::Save() const {
    auto pSettings = ZsFrameworkSettings();
    pSettings->remove(kSection);
    pSettings->beginGroup(kSection);
    for (size_t i = 0; i < mFiles.size(); ++i) {
        pSettings->setValue(QStringLiteral("File%1").arg(i + 1), ZsQPath(mFiles[i]));
    }
}

void CZsRecentFileList::Add(const std::filesystem::path& path) {
    std::erase_if(mFiles, [&path](const std::filesystem::path& file) { return ZsSamePath(file, path); });
    mFiles.insert(mFiles.begin(), path);
    if (mFiles.size() > mnMax) {
        mFiles.resize(mnMax);
    }
}

void CZsRecentFileList::Remove(size_t nIndex) {
    if (nIndex < mFiles.size()) {
        mFiles.erase(mFiles.begin() + static_cast<std::ptrdiff_t>(nIndex));
    }
}
