// Small bridges between the core's types and Qt: text, paths, pictures, the framework settings file and the
// opening of links and files with the desktop's programs.
#pragma once

#include <QFont>
#include <QIcon>
#include <QImage>
#include <QString>
#include <QUrl>
#include <filesystem>
#include <functional>
#include <memory>
#include <string>
#include <vector>

class CZsBitmap;
class QComboBox;
class QSettings;

inline QString ZsQ(const std::string& s) {
    return QString::fromStdString(s);
}
inline std::string ZsS(const QString& s) {
    return s.toStdString();
}
QString ZsQPath(const std::filesystem::path& path);
std::filesystem::path ZsPathOf(const QString& s);

// Fills a list with the names of every export type, so that an item's index is its export type index (which
// the settings store); bAll false hides and disables all but the picture types and the icon file.
void ZsFillExportTypes(QComboBox* pList, bool bAll);

// The picture as a QImage of the same pixels (non-premultiplied ARGB); a null image for a null picture.
QImage ZsToQImage(const CZsBitmap& bitmap);

// The pixels of a picture from elsewhere (the clipboard, a drop) as a core picture; a null picture when the
// image is null or too large to be taken (ZsCheckPictureSize).
CZsBitmap ZsFromQImage(const QImage& image);

// The fonts the program's windows name by a family of another desktop map to this desktop's general font and
// fixed-width font, at the same size. The fixed-width font is one whose printable ASCII characters all
// advance alike as drawn: the desktop's own where it is, else a known fixed-width family. The font system's
// fixed-pitch flag does not tell: it is false for fixed-width fonts with a few wide characters beyond
// Latin, and a desktop may name a proportional font.
QFont ZsGeneralFont(qreal rPointSize);
QFont ZsFixedFont(int nPixelHeight);

// The button pictures of a toolbar strip: square tiles as high as the strip, left to right, each with the
// tile of the same place in the strip of more pixels beside it ("NAME@2x.png", when there is one), which
// screens of more pixels than units draw. Empty when the file is missing or is not a picture.
std::vector<QIcon> ZsLoadStripIcons(const std::filesystem::path& path);

// "config_mfc.ini" in the settings folder, where the windowing layer keeps its own state ("DockState").
std::unique_ptr<QSettings> ZsFrameworkSettings();

// Opens a link, a mail or a file with the desktop's program for it. Tests replace the opener to see what
// would be opened; an empty function restores the desktop's.
using ZsUrlOpener = std::function<bool(const QUrl&)>;
bool ZsOpenUrl(const QUrl& url);
void ZsSetUrlOpener(ZsUrlOpener opener);
