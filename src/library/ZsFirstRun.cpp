#include "library/ZsFirstRun.h"

#include <algorithm>
#include <cstdlib>

#include "common/ZsConfig.h"
#include "common/ZsText.h"
#include "icon/ZsPicture.h"
#include "library/ZsIconLib.h"

namespace fs = std::filesystem;

namespace {

struct ThemeContext {
    const char* pszContext;
    const char* pszTitle;
};

constexpr ThemeContext kContexts[] = {
    {"places", "Places"}, {"devices", "Devices"}, {"mimetypes", "File Types"}, {"apps", "Applications"},
    {"emotes", "Emotes"}, {"legacy", "Classic"},  {"status", "Status"},
};

// Theme folders by preference: pictures drawn for the size look best; 32 pixels where 48 is missing, the
// scalable drawings where a theme has neither.
constexpr const char* kSizes[] = {"48x48", "32x32", "scalable"};

// A theme picture found, and the file its icon is made of: the theme's scalable drawing of the same name when
// there is one (every size of the icon is drawn from it), else the picture itself.
struct ThemePicture {
    fs::path picture;
    fs::path file;
    bool operator<(const ThemePicture& other) const { return picture < other.picture; }
    bool operator==(const ThemePicture& other) const { return picture == other.picture; }
};

std::vector<fs::path> SplitFolders(const char* pszList) {
    std::vector<fs::path> folders;
    std::string_view list = pszList ? pszList : "";
    while (!list.empty()) {
        const size_t nColon = list.find(':');
        const std::string_view item = list.substr(0, nColon);
        if (!item.empty()) {
            folders.emplace_back(std::string(item));
        }
        list = nColon == std::string_view::npos ? std::string_view() : list.substr(nColon + 1);
    }
    return folders;
}

// The pictures of one size folder of a theme below a context folder (PNG, SVG in the scalable folder),
// symbolic ones left out.
void AddPictures(const fs::path& theme, const char* pszSize, const char* pszContext,
                 std::vector<ThemePicture>& out) {
    const fs::path folder = theme / pszSize / pszContext;
    const bool bScalable = std::string_view(pszSize) == "scalable";
    std::error_code ec;
    if (!fs::is_directory(folder, ec)) {
        return;
    }
    for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
        const fs::path& path = it->path();
        if (!it->is_regular_file(ec) ||
            ZsToLower(ZsPathToUtf8(path.extension())) != (bScalable ? ".svg" : ".png") ||
            ZsPathToUtf8(path.filename()).find("symbolic") != std::string::npos) {
            continue;
        }
        fs::path drawing = theme / "scalable" / pszContext / path.lexically_relative(folder);
        drawing.replace_extension(".svg");
        std::error_code ecDrawing;
        out.push_back({path, !bScalable && fs::is_regular_file(drawing, ecDrawing) ? drawing : path});
    }
}

// The pictures of one context at the first size any theme has, in path order, at most nMax of them. A
// folder of the list may hold themes or be a theme itself.
std::vector<fs::path> ContextPictures(const std::vector<fs::path>& roots, const char* pszContext, int nMax) {
    for (const char* pszSize : kSizes) {
        std::vector<ThemePicture> found;
        for (const fs::path& root : roots) {
            AddPictures(root, pszSize, pszContext, found);
            std::error_code ec;
            for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
                if (it->is_directory(ec)) {
                    AddPictures(it->path(), pszSize, pszContext, found);
                }
            }
        }
        std::sort(found.begin(), found.end());
        found.erase(std::unique(found.begin(), found.end()), found.end());
        std::vector<fs::path> pictures;
        for (const ThemePicture& p : found) {
            pictures.push_back(p.file);
        }
        if (!pictures.empty()) {
            if (pictures.size() > static_cast<size_t>(std::max(nMax, 0))) {
                pictures.resize(static_cast<size_t>(std::max(nMax, 0)));
            }
            return pictures;
        }
    }
    return {};
}

std::string JoinFolders(const std::vector<fs::path>& folders) {
    std::string text;
    for (const fs::path& folder : folders) {
        text += (text.empty() ? "" : ", ") + ZsPathToUtf8(folder);
    }
    return text;
}

}  // namespace

std::vector<fs::path> ZsGetIconThemeDirs() {
    if (const char* pszThemes = std::getenv("PICTAVO_ICON_THEMES")) {
        return SplitFolders(pszThemes);
    }
    std::vector<fs::path> folders;
    const char* pszDataHome = std::getenv("XDG_DATA_HOME");
    const char* pszHome = std::getenv("HOME");
    if (pszDataHome && fs::path(pszDataHome).is_absolute()) {
        folders.push_back(fs::path(pszDataHome) / "icons");
    } else if (pszHome && *pszHome) {
        folders.push_back(fs::path(pszHome) / ".local" / "share" / "icons");
    }
    const char* pszDataDirs = std::getenv("XDG_DATA_DIRS");
    for (const fs::path& folder :
         SplitFolders(pszDataDirs && *pszDataDirs ? pszDataDirs : "/usr/local/share:/usr/share")) {
        if (folder.is_absolute()) {
            folders.push_back(folder / "icons");
        }
    }
    return folders;
}

ZIL_SEED_RESULT ZsMakeThemeLibrary(const fs::path& path, const ZIL_SEED_OPTIONS& options) {
    ZIL_SEED_RESULT result;
    const std::vector<fs::path> roots = options.themeDirs.empty() ? ZsGetIconThemeDirs() : options.themeDirs;
    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    lib.NewLib();
    const ZsTreeItem all = tree.GetRootItem();
    while (const ZsTreeItem sample = tree.GetChildItem(all)) {
        lib.DelNode(sample);
    }
    for (const ThemeContext& context : kContexts) {
        const std::vector<fs::path> pictures =
            ContextPictures(roots, context.pszContext, options.nMaxPerCategory);
        if (pictures.empty()) {
            continue;
        }
        const ZsTreeItem item = lib.NewNode(all, ZS_TI_LAST, context.pszTitle);
        if (item == ZS_TI_NONE) {
            break;
        }
        // A picture the importer refuses is passed over; the others still come in.
        const int nIcons = lib.ImpFiles(pictures, tree.GetItemData(item), -1, 0, 0, ZI_SIZING_ENLARGE,
                                        [](const ZIL_IMPORTED&) { return true; });
        if (nIcons == 0) {
            lib.DelNode(item);
            continue;
        }
        ++result.nCategories;
        result.nIcons += nIcons;
    }
    if (result.nCategories == 0) {
        result.sMessage = ZsFormat("No icon themes with pictures under %s.", JoinFolders(roots).c_str());
        return result;
    }
    std::error_code ec;
    fs::create_directories(path.parent_path(), ec);
    if (!lib.Save(path)) {
        result.sMessage = ZsFormat("The library '%s' could not be written.", ZsPathToUtf8(path).c_str());
        return result;
    }
    result.bMade = true;
    return result;
}

bool ZsIsFirstRun() {
    std::error_code ec;
    return !fs::exists(ZsGetConfigPath(), ec) && !fs::exists(ZsGetDataDir() / ZIL_DEFAULT_LIBRARY, ec);
}

ZIL_SEED_RESULT ZsSeedDefaultLibrary(const ZIL_SEED_OPTIONS& options) {
    if (!ZsIsFirstRun()) {
        return {};
    }
    return ZsMakeThemeLibrary(ZsGetDataDir() / ZIL_DEFAULT_LIBRARY, options);
}
