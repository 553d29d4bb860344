#include "gui/common/ZsQt.h"

#include <QComboBox>
#include <QDesktopServices>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QListView>
#include <QPixmap>
#include <QSettings>
#include <QStandardItemModel>
#include <cstring>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsCodec.h"
#include "icon/ZsPicture.h"

namespace {
ZsUrlOpener& UrlOpener() {
    static ZsUrlOpener opener;
    return opener;
}
}  // namespace

QString ZsQPath(const std::filesystem::path& path) {
    return QString::fromStdString(ZsPathToUtf8(path));
}

std::filesystem::path ZsPathOf(const QString& s) {
    return ZsPathFromUtf8(s.toStdString());
}

void ZsFillExportTypes(QComboBox* pList, bool bAll) {
    auto* pModel = qobject_cast<QStandardItemModel*>(pList->model());
    auto* pView = qobject_cast<QListView*>(pList->view());
    for (int nType = 0; nType < ZS_EXPORT_COUNT; ++nType) {
        pList->addItem(QString::fromUtf8(ZsGetExportTypeName(nType)));
        if (!bAll && nType != ZS_EXPORT_ICO && !ZsIsPictureType(nType)) {
            if (pModel) {
                pModel->item(nType)->setEnabled(false);
            }
            if (pView) {
                pView->setRowHidden(nType, true);
            }
        }
    }
}

QImage ZsToQImage(const CZsBitmap& bitmap) {
    if (bitmap.IsNull()) {
        return {};
    }
    QImage image(bitmap.Width(), bitmap.Height(), QImage::Format_ARGB32);
    if (image.isNull()) {
        return {};
    }
    const size_t nRowBytes = static_cast<size_t>(bitmap.Width()) * sizeof(uint32_t);
    for (int y = 0; y < bitmap.Height(); ++y) {
        std::memcpy(image.scanLine(y), bitmap.Row(y), nRowBytes);
    }
    return image;
}

CZsBitmap ZsFromQImage(const QImage& image) {
    if (image.isNull() || !ZsCheckPictureSize(image.width(), image.height(), nullptr)) {
        return {};
    }
    const QImage argb = image.convertToFormat(QImage::Format_ARGB32);
    CZsBitmap bitmap(argb.width(), argb.height(), image.hasAlphaChannel() ? 32 : 24);
    const size_t nRowBytes = static_cast<size_t>(argb.width()) * sizeof(uint32_t);
    for (int y = 0; y < argb.height(); ++y) {
        std::memcpy(bitmap.Row(y), argb.constScanLine(y), nRowBytes);
    }
    return bitmap;
}

QFont ZsGeneralFont(qreal rPointSize) {
    QFont font = QFontDatabase::systemFont(QFontDatabase::GeneralFont);
    font.setPointSizeF(rPointSize);
    return font;
}

namespace {

// Whether every printable ASCII character advances by the same width in the font, as drawn.
bool ZsHasEvenAdvances(const QFont& font) {
    const QFontMetricsF metrics(font);
    const qreal rWidth = metrics.horizontalAdvance(QLatin1Char('W'));
    if (rWidth <= 0) {
        return false;
    }
    for (char c = ' '; c <= '~'; ++c) {
        if (metrics.horizontalAdvance(QLatin1Char(c)) != rWidth) {
            return false;
        }
    }
    return true;
}

}  // namespace

QFont ZsFixedFont(int nPixelHeight) {
    // The desktop's own fixed-width font, then families known to be fixed-width, then what the font system
    // finds for a fixed-pitch request: the first whose characters all advance alike, as drawn.
    std::vector<QFont> candidates{QFontDatabase::systemFont(QFontDatabase::FixedFont)};
    for (const char* pszFamily :
         {"DejaVu Sans Mono", "Noto Sans Mono", "Liberation Mono", "Nimbus Mono PS", "Courier New"}) {
        candidates.emplace_back(QString::fromLatin1(pszFamily));
    }
    QFont hinted;
    hinted.setFamilies({});
    hinted.setStyleHint(QFont::Monospace);
    hinted.setFixedPitch(true);
    candidates.push_back(hinted);
    for (QFont& font : candidates) {
        font.setPixelSize(nPixelHeight);
        if (ZsHasEvenAdvances(font)) {
            return font;
        }
    }
    return candidates.front();
}

std::vector<QIcon> ZsLoadStripIcons(const std::filesystem::path& path) {
    std::vector<QIcon> icons;
    const QImage strip(ZsQPath(path));
    const int nSize = strip.height();
    if (strip.isNull() || nSize <= 0) {
        return icons;
    }
    std::filesystem::path largeName = path.stem();
    largeName += "@2x";
    largeName += path.extension();
    const QImage large(ZsQPath(path.parent_path() / largeName));
    const int nLarge = large.height();
    const int nCount = strip.width() / nSize;
    // A larger strip of other tiles than the strip's is none.
    const bool bLarge = !large.isNull() && nLarge > nSize && large.width() / nLarge == nCount;
    for (int i = 0; i < nCount; ++i) {
        QIcon icon(QPixmap::fromImage(strip.copy(i * nSize, 0, nSize, nSize)));
        if (bLarge) {
            icon.addPixmap(QPixmap::fromImage(large.copy(i * nLarge, 0, nLarge, nLarge)));
        }
        icons.push_back(std::move(icon));
    }
    return icons;
}

std::unique_ptr<QSettings> ZsFrameworkSettings() {
    return std::make_unique<QSettings>(ZsQPath(ZsGetConfigDir() / "config_mfc.ini"), QSettings::IniFormat);
}

bool ZsOpenUrl(const QUrl& url) {
    if (UrlOpener()) {
        return UrlOpener()(url);
    }
    return QDesktopServices::openUrl(url);
}

void ZsSetUrlOpener(ZsUrlOpener opener) {
    UrlOpener() = std::move(opener);
}
