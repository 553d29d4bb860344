#include "gui/common/ZsFileDialogs.h"

#include <QCoreApplication>
#include <QFileDialog>
#include <QFileInfo>

#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "common/ZsLog.h"
#include "gui/common/ZsMsgBox.h"
#include "gui/common/ZsQt.h"

namespace {

// Qt's own dialogs: the same on every desktop, and modal widgets that a test can answer.
void PrepareDialog(QFileDialog& dialog) {
    dialog.setOption(QFileDialog::DontUseNativeDialog, true);
    dialog.setWindowModality(Qt::ApplicationModal);
}

// Programs carry the ".exe" extension only on the program's home platform; elsewhere every file may be one.
#ifdef Q_OS_WIN
constexpr const char* kProgramFilter = QT_TRANSLATE_NOOP("ZsFileDialogs", "Program Files (*.exe)");
#else
constexpr const char* kProgramFilter = QT_TRANSLATE_NOOP("ZsFileDialogs", "Programs (*)");
#endif

// Yes and No with the warning icon: the question before a file is replaced.
constexpr int kAskToReplace = 0x04 | 0x30;

QString Translate(const char* pszText) {
    return QCoreApplication::translate("ZsFileDialogs", pszText);
}

int ClampIndex(int nIndex, int nCount) {
    return nIndex >= 1 && nIndex <= nCount ? nIndex : 1;
}

// "Text (*.a;*.b)|*.a;*.b|" for the types of the kinds.
std::string FilterGroup(const char* pszText, unsigned nKinds) {
    const std::string sPatterns = ZsFileTypePatterns(nKinds);
    return ZsS(Translate(pszText)) + " (" + sPatterns + ")|" + sPatterns + "|";
}

std::string AllFilesFilter() {
    return ZsS(Translate(QT_TRANSLATE_NOOP("ZsFileDialogs", "All Files (*.*)"))) + "|*.*||";
}

}  // namespace

QStringList ZsQtNameFilters(std::string_view sFilter) {
    const QStringList parts = ZsQ(std::string(sFilter)).split(QLatin1Char('|'));
    QStringList filters;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        const QString& sText = parts[i];
        if (sText.isEmpty()) {
            break;
        }
        const QString sPatterns =
            parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts).join(QLatin1Char(' '));
        if (sText.contains(QLatin1Char('(')) && sText.endsWith(QLatin1Char(')'))) {
            // "Icon Files (*.ico)": Qt reads the patterns from the brackets; keep what the text shows.
            const qsizetype nOpen = sText.lastIndexOf(QLatin1Char('('));
            filters << sText.left(nOpen) + QStringLiteral("(") + sPatterns + QStringLiteral(")");
        } else {
            filters << sText + QStringLiteral(" (") + sPatterns + QStringLiteral(")");
        }
    }
    return filters;
}

std::string ZsImportFilesFilter() {
    return ZsS(Translate(QT_TRANSLATE_NOOP("ZsFileDialogs", "All Supported Files"))) + "|" +
           ZS_IMPORT_PATTERNS + "|" +
           FilterGroup(QT_TRANSLATE_NOOP("ZsFileDialogs", "Icon Files"), ZS_KIND_BIT(ZI_SOURCE_ICO)) +
           FilterGroup(QT_TRANSLATE_NOOP("ZsFileDialogs", "Win32 Icon Library Files"),
                       ZS_KIND_BIT(ZI_SOURCE_MODULE)) +
           FilterGroup(QT_TRANSLATE_NOOP("ZsFileDialogs", "Picture Files"), ZS_KIND_BIT(ZI_SOURCE_PICTURE)) +
           AllFilesFilter();
}

std::string ZsPictureFilesFilter() {
    return FilterGroup(QT_TRANSLATE_NOOP("ZsFileDialogs", "Picture Files"), ZS_KIND_BIT(ZI_SOURCE_PICTURE)) +
           AllFilesFilter();
}

std::filesystem::path ZsBrowseFolder(QWidget* pParent, const std::filesystem::path& initial,
                                     const QString& sTitle) {
    QFileDialog dialog(pParent, sTitle);
    PrepareDialog(dialog);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly, true);
    if (!initial.empty()) {
        dialog.setDirectory(ZsQPath(initial));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    return ZsPathOf(dialog.selectedFiles().front());
}

bool ZsOpenFilesDialog(QWidget* pParent, std::string_view sFilter, int* pnFilterIndex,
                       std::filesystem::path* pFolder, std::vector<std::filesystem::path>& paths,
                       const QString& sTitle) {
    QFileDialog dialog(pParent, sTitle);
    PrepareDialog(dialog);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    const QStringList filters = ZsQtNameFilters(sFilter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(
            filters[ClampIndex(pnFilterIndex ? *pnFilterIndex : 1, static_cast<int>(filters.size())) - 1]);
    }
    if (pFolder && !pFolder->empty()) {
        dialog.setDirectory(ZsQPath(*pFolder));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return false;
    }
    paths.clear();
    for (const QString& sPath : dialog.selectedFiles()) {
        paths.push_back(ZsPathOf(sPath));
    }
    if (pnFilterIndex) {
        *pnFilterIndex = static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1;
        *pnFilterIndex = ClampIndex(*pnFilterIndex, static_cast<int>(filters.size()));
    }
    if (pFolder) {
        *pFolder = paths.front().parent_path();
    }
    return true;
}

std::filesystem::path ZsOpenProgramDialog(QWidget* pParent, std::filesystem::path* pFolder) {
    QFileDialog dialog(pParent);
    PrepareDialog(dialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(Translate(kProgramFilter));
    if (pFolder && !pFolder->empty()) {
        dialog.setDirectory(ZsQPath(*pFolder));
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return {};
    }
    std::filesystem::path path = ZsPathOf(dialog.selectedFiles().front());
    if (pFolder) {
        *pFolder = path.parent_path();
    }
    return path;
}

std::filesystem::path ZsSaveFileDialog(QWidget* pParent, std::string_view sFilter, std::string_view sDefExt,
                                       const std::filesystem::path& fileName, int* pnFilterIndex,
                                       const QString& sTitle,
                                       const std::function<bool(const std::filesystem::path&)>& accept) {
    QFileDialog dialog(pParent, sTitle);
    PrepareDialog(dialog);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    // The question whether to replace a file comes after accept has judged the name.
    dialog.setOption(QFileDialog::DontConfirmOverwrite, true);
    dialog.setFileMode(QFileDialog::AnyFile);
    const QStringList filters = ZsQtNameFilters(sFilter);
    dialog.setNameFilters(filters);
    if (!filters.isEmpty()) {
        dialog.selectNameFilter(
            filters[ClampIndex(pnFilterIndex ? *pnFilterIndex : 1, static_cast<int>(filters.size())) - 1]);
    }
    if (!sDefExt.empty()) {
        dialog.setDefaultSuffix(ZsQ(std::string(sDefExt)));
    }
    if (!fileName.empty()) {
        if (fileName.has_parent_path()) {
            dialog.setDirectory(ZsQPath(fileName.parent_path()));
        }
        dialog.selectFile(ZsQPath(fileName.filename()));
    }
    for (;;) {
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
            return {};
        }
        const std::filesystem::path path = ZsPathOf(dialog.selectedFiles().front());
        if (accept && !accept(path)) {
            continue;
        }
        std::error_code ec;
        if (std::filesystem::exists(path, ec) &&
            ZsMsgBox(kAskToReplace,
                     Translate(
                         QT_TRANSLATE_NOOP("ZsFileDialogs", "%1 already exists.\nDo you want to replace it?"))
                         .arg(ZsQPath(path.filename()))) != ZS_IDYES) {
            continue;
        }
        if (pnFilterIndex) {
            *pnFilterIndex = ClampIndex(static_cast<int>(filters.indexOf(dialog.selectedNameFilter())) + 1,
                                        static_cast<int>(filters.size()));
        }
        return path;
    }
}
