#include "library/ZsFirstRun.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <set>

#include "common/ZsConfig.h"
#include "common/ZsText.h"
#include "icon/ZsCodec.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"
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

// One icon of one theme: its pictures by side (PNG) and its scalable drawing (SVG), each found in the
// theme's "<N>x<N>/<context>" and "scalable/<context>" folders (at any depth below them) by file name.
struct ThemeIcon {
    std::string sTheme;
    std::map<int, fs::path> pictures;
    fs::path drawing;
};

// The icons of one context by name, each from the first theme that has it.
using ThemeIcons = std::map<std::string, ThemeIcon>;

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

// The side of a size folder "<N>x<N>", 0 for "scalable", -1 for any other folder ("<N>x<N>@2",
// "scalable-up-to-32", "symbolic", "cursors" ...).
int FolderSide(const std::string& sName) {
    if (sName == "scalable") {
        return 0;
    }
    const size_t nX = sName.find('x');
    if (nX == std::string::npos || nX == 0 || nX > 4 || sName.size() != 2 * nX + 1 ||
        sName.compare(0, nX, sName, nX + 1) != 0 || sName.find_first_not_of("0123456789", 0) != nX) {
        return -1;
    }
    const int nSide = std::stoi(sName.substr(0, nX));
    return nSide >= 1 ? nSide : -1;
}

// The size folders of a theme that hold the context: (side, folder), side 0 for the drawings.
std::vector<std::pair<int, fs::path>> SizeFolders(const fs::path& theme, const char* pszContext) {
    std::vector<std::pair<int, fs::path>> folders;
    std::error_code ec;
    for (fs::directory_iterator it(theme, ec), end; !ec && it != end; it.increment(ec)) {
        const int nSide = FolderSide(ZsPathToUtf8(it->path().filename()));
        std::error_code ecFolder;
        if (nSide >= 0 && fs::is_directory(it->path() / pszContext, ecFolder)) {
            folders.emplace_back(nSide, it->path() / pszContext);
        }
    }
    std::sort(folders.begin(), folders.end());
    return folders;
}

// Adds the icons of one theme's context that no theme before it had; symbolic ones are left out.
void AddThemeIcons(const fs::path& theme, const char* pszContext, ThemeIcons& icons) {
    const std::string sTheme = ZsPathToUtf8(theme.filename());
    ThemeIcons own;
    for (const auto& [nSide, folder] : SizeFolders(theme, pszContext)) {
        std::error_code ec;
        for (fs::recursive_directory_iterator it(folder, ec), end; !ec && it != end; it.increment(ec)) {
            const fs::path& path = it->path();
            const std::string sName = ZsPathToUtf8(path.stem());
            if (!it->is_regular_file(ec) ||
                ZsToLower(ZsPathToUtf8(path.extension())) != (nSide == 0 ? ".svg" : ".png") ||
                sName.find("symbolic") != std::string::npos || icons.count(sName) != 0) {
                continue;
            }
            ThemeIcon& icon = own[sName];
            icon.sTheme = sTheme;
            if (nSide == 0) {
                icon.drawing = path;
            } else {
                icon.pictures.emplace(nSide, path);
            }
        }
    }
    icons.merge(own);
}

// The themes of the folders in the order their icons are taken: a folder of the list may hold themes or be a
// theme itself; themes by folder, then by name; "hicolor", the theme every other one falls back to, last.
std::vector<fs::path> ThemesByPreference(const std::vector<fs::path>& roots) {
    std::vector<std::pair<bool, fs::path>> themes;
    for (const fs::path& root : roots) {
        themes.emplace_back(root.filename() == "hicolor", root);
        std::vector<fs::path> inside;
        std::error_code ec;
        for (fs::directory_iterator it(root, ec), end; !ec && it != end; it.increment(ec)) {
            if (it->is_directory(ec)) {
                inside.push_back(it->path());
            }
        }
        std::sort(inside.begin(), inside.end());
        for (const fs::path& theme : inside) {
            themes.emplace_back(theme.filename() == "hicolor", theme);
        }
    }
    std::stable_sort(themes.begin(), themes.end(),
                     [](const auto& a, const auto& b) { return a.first < b.first; });
    std::vector<fs::path> ordered;
    for (const auto& [bHicolor, theme] : themes) {
        ordered.push_back(theme);
    }
    return ordered;
}

// The largest side taken: that of the largest Apple icon image.
constexpr int kMaxSide = 1024;
// Images of this side and more are PNG-compressed, as icon files hold their large images; a theme's own PNG
// data is kept as it is. No theme picture is larger than kMaxPictureBytes.
constexpr int kPngSide = 256;
constexpr uint64_t kMaxPictureBytes = UINT64_C(16) << 20;

// A theme's large picture as an icon image, its PNG data as it is: only a 32-bit PNG of the folder's side
// that decodes; empty otherwise.
ZI_IMAGE PngImageOf(const fs::path& picture, int nSide) {
    ZI_IMAGE image;
    std::optional<ZsBlock> data = ZsReadFile(picture, kMaxPictureBytes);
    if (!data) {
        return {};
    }
    image.wBitCount = 32;
    image.dwBytesInRes = static_cast<uint32_t>(data->size());
    image.data = std::move(*data);
    const ZI_FORMAT format = image.Format();
    if (!ZI_IsPlainPng(image) || format.nWidth != nSide || format.nHeight != nSide ||
        ZsDecodePng(image.data).IsNull()) {
        return {};
    }
    return image;
}

// The icon of a theme icon as ICO data: each picture at its own side up to kMaxSide, and the drawing drawn
// at each standard side no picture has (ZI_SVG_ICON_SIZES). Pictures that cannot be read are left out; empty
// when nothing could be read.
ZsBlock MakeThemeIcon(const ThemeIcon& theme) {
    CIcon icon;
    std::set<int> sides;
    const auto add = [&](ZI_IMAGE image) {
        if (sides.insert(image.Format().nWidth).second) {
            icon.AddImage(std::move(image));
        }
    };
    const auto addBlock = [&](const ZsBlock& block) {
        CIcon part;
        if (block.empty() || !part.SetData(block)) {
            return;
        }
        for (ZI_IMAGE image : part.Images()) {
            if (image.Format().nWidth >= kPngSide) {
                ZI_CompressImage(image);
            }
            add(std::move(image));
        }
    };
    for (const auto& [nSide, picture] : theme.pictures) {
        if (nSide > kMaxSide) {
            continue;
        }
        ZI_IMAGE png = nSide >= kPngSide ? PngImageOf(picture, nSide) : ZI_IMAGE();
        if (!png.data.empty()) {
            add(std::move(png));
        } else {
            addBlock(ZI_LoadPictureIcon(picture, ZI_SIZING_KEEP));
        }
    }
    if (!theme.drawing.empty()) {
        std::vector<ZI_FORMAT> formats;
        for (int nSide : ZI_SVG_ICON_SIZES) {
            if (sides.count(nSide) == 0) {
                formats.push_back({nSide, nSide, 32});
            }
        }
        if (!formats.empty()) {
            addBlock(ZI_LoadPictureIcon(theme.drawing, ZI_SIZING_ENLARGE, nullptr, formats));
        }
    }
    return icon.GetImageCount() > 0 ? icon.GetData() : ZsBlock();
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
    const std::vector<fs::path> themes = ThemesByPreference(roots);
    ZIL_LIST allIds;
    for (const ThemeContext& context : kContexts) {
        ThemeIcons icons;
        for (const fs::path& theme : themes) {
            AddThemeIcons(theme, context.pszContext, icons);
        }
        ZIL_LIST ids;
        for (const auto& [sName, icon] : icons) {
            if (ids.size() >= static_cast<size_t>(std::max(options.nMaxPerCategory, 0))) {
                break;
            }
            // An icon none of whose files can be read is passed over; the others still come in.
            const int32_t nId = lib.ImpIcon(MakeThemeIcon(icon), &sName);
            if (nId != 0) {
                lib.SetIconKeywords(nId, icon.sTheme);
                ids.push_back(nId);
            }
        }
        if (ids.empty()) {
            continue;
        }
        const ZsTreeItem item = lib.NewNode(all, ZS_TI_LAST, context.pszTitle);
        if (item == ZS_TI_NONE) {
            break;
        }
        lib.ListToNode(tree.GetItemData(item), ids);
        allIds.insert(allIds.end(), ids.begin(), ids.end());
        ++result.nCategories;
        result.nIcons += static_cast<int>(ids.size());
    }
    lib.ListToNode(ZIL_ID_ALL, allIds);
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
