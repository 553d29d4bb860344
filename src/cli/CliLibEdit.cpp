// Verbs that edit the icons of a library and join them into pictures: merge, delete-formats, add-formats,
// grid-export and compact. Each opens the library, runs the core operation on the chosen rows of a
// category and, when something changed, saves the library.
#include <algorithm>
#include <cctype>
#include <cstdio>

#include "cli/Cli.h"
#include "cli/CliLib.h"
#include "common/ZsBase.h"
#include "icon/ZsFormats.h"
#include "icon/ZsPicture.h"
#include "library/ZsGrid.h"
#include "library/ZsLibEdit.h"

namespace {

// The formats of --formats; false after a message.
bool TakeFormats(const std::optional<std::string>& text, std::vector<ZI_FORMAT>& formats, int& nCode) {
    if (!text) {
        nCode = CliUsage("give the formats with --formats LIST.");
        return false;
    }
    std::string sError;
    if (!ZI_ParseFormatList(*text, formats, &sError)) {
        nCode = CliUsage("%s", sError.c_str());
        return false;
    }
    if (formats.empty()) {
        nCode = CliUsage("--formats needs at least one format.");
        return false;
    }
    return true;
}

// The verb's result after a batch: the library saved when anything changed, the summary printed, the
// failures named. A declined question has said what to do already.
int Finish(Command& c, const ZIL_EDIT_RESULT& r, const std::string& sSummary) {
    if (r.nStatus == ZIL_EDIT_DECLINED) {
        return CLI_FAILED;
    }
    if ((r.nChanged > 0 || r.nDeleted > 0) && SaveLib(c.l) != CLI_OK) {
        return CLI_FAILED;
    }
    CliSummary("%s", sSummary.c_str());
    CliReport().Set("changed", r.nChanged);
    CliReport().Set("deleted", r.nDeleted);
    for (int32_t nId : r.failed) {
        CliRefused(c.Path(), "could not be read or written", c.l.lib.GetIconName(nId));
        CliFailRefused("icon #%d ('%s') could not be read or written; it was left as it was.", nId,
                       c.l.lib.GetIconName(nId).c_str());
    }
    return r.failed.empty() ? CLI_OK : CLI_FAILED;
}

int Merge(CCliArgs& args) {
    std::optional<std::string> sRows = args.Option("--rows"), sIds = args.Option("--ids");
    Command c;
    if (!c.Start(args, 1, 1, "merge", true)) {
        return c.nCode;
    }
    std::vector<int> rows;
    if (!TakeRows(c.l, c.Id(), sRows, sIds, rows, c.nCode)) {
        return c.nCode;
    }
    const ZIL_CHECK check = ZsCheckMergeIcons(c.l.lib, c.Id(), rows);
    if (!check.Ok()) {
        return CliRefused(c, check);
    }
    ZIL_EDIT_RESULT r = ZsMergeIcons(c.l.lib, c.Id(), rows);
    return Finish(c, r, ZsFormat("%d pair%s merged.", r.nChanged, r.nChanged == 1 ? "" : "s"));
}

int DeleteFormats(CCliArgs& args) {
    std::optional<std::string> sFormats = args.Option("--formats");
    std::optional<std::string> sRows = args.Option("--rows"), sIds = args.Option("--ids");
    bool bExcept = args.Flag("--except");
    bool bKeepLargest = args.Flag("--keep-largest");
    Command c;
    if (!c.Start(args, 1, 1, "delete-formats", true)) {
        return c.nCode;
    }
    std::vector<ZI_FORMAT> formats;
    std::vector<int> rows;
    if (!TakeFormats(sFormats, formats, c.nCode) || !TakeRows(c.l, c.Id(), sRows, sIds, rows, c.nCode)) {
        return c.nCode;
    }
    ZIL_EDIT_RESULT r = ZsDeleteFormats(c.l.lib, c.Id(), rows, formats, bExcept, bKeepLargest);
    return Finish(
        c, r, ZsFormat("%d icon%s changed, %d deleted.", r.nChanged, r.nChanged == 1 ? "" : "s", r.nDeleted));
}

int AddFormats(CCliArgs& args) {
    std::optional<std::string> sFormats = args.Option("--formats");
    std::optional<std::string> sRows = args.Option("--rows"), sIds = args.Option("--ids");
    Command c;
    if (!CliPngOptions(args, &c.nCode) || !c.Start(args, 1, 1, "add-formats", true)) {
        return c.nCode;
    }
    std::vector<ZI_FORMAT> formats;
    std::vector<int> rows;
    if (!TakeFormats(sFormats, formats, c.nCode) || !TakeRows(c.l, c.Id(), sRows, sIds, rows, c.nCode)) {
        return c.nCode;
    }
    ZIL_EDIT_RESULT r = ZsAddFormats(c.l.lib, c.Id(), rows, formats);
    return Finish(c, r, ZsFormat("%d icon%s given new formats.", r.nChanged, r.nChanged == 1 ? "" : "s"));
}

// "W", "WxH": a size of 1 or more pixels.
bool ParseSize(const std::string& text, int& nWidth, int& nHeight) {
    size_t x = text.find('x');
    std::optional<long long> w = CliParseInt(text.substr(0, x));
    std::optional<long long> h = x == std::string::npos ? w : CliParseInt(text.substr(x + 1));
    if (!w || !h || *w < 1 || *h < 1 || *w > INT32_MAX || *h > INT32_MAX) {
        return false;
    }
    nWidth = static_cast<int>(*w);
    nHeight = static_cast<int>(*h);
    return true;
}

// The file dialog's filter index (1 BMP ... 5 PNG, 6 WebP) of an output file's extension; 0 for another.
int FilterIndexOf(std::string ext) {
    std::transform(ext.begin(), ext.end(), ext.begin(), [](unsigned char ch) { return std::tolower(ch); });
    const char* kAliases[][2] = {{"jpeg", "jpg"}, {"tiff", "tif"}};
    for (const auto& alias : kAliases) {
        if (ext == alias[0]) {
            ext = alias[1];
        }
    }
    for (size_t i = 0; i < std::size(ZS_PICTURE_TYPES); ++i) {
        if (ext == ZsGetExportExt(ZS_PICTURE_TYPES[i])) {
            return static_cast<int>(i) + 1;
        }
    }
    return 0;
}

int GridExport(CCliArgs& args) {
    std::optional<std::string> sRows = args.Option("--rows"), sIds = args.Option("--ids");
    std::optional<std::string> sCount = args.Option("--count");
    std::optional<std::string> sCell = args.Option("--cell");
    std::optional<std::string> sLayout = args.Option("--layout");
    std::optional<std::string> sSpacing = args.Option("--spacing");
    std::optional<std::string> sBackground = args.Option("--background");
    std::optional<std::string> sTypeOption = args.Option("--type");
    Command c;
    if (!c.Start(args, 2, 2, "grid-export", true)) {
        return c.nCode;
    }
    const std::string sType = CliOutputType(
        sTypeOption, c.pos[1], {"png", "bmp", "jpg", "jpeg", "gif", "tif", "tiff", "webp"}, c.nCode);
    if (sType.empty()) {
        return c.nCode;
    }
    const int nFilterIndex = FilterIndexOf(sType);
    if (nFilterIndex == 0) {
        return CliUsage("grid-export writes .png, .bmp, .jpg, .gif, .tif or .webp files.");
    }
    CCliOutput output;
    if (!output.Open(c.pos[1], sType, c.nCode)) {
        return c.nCode;
    }
    const std::filesystem::path out = output.Path();
    ZS_GRID grid;
    if (!sCell || !ParseSize(*sCell, grid.nCellWidth, grid.nCellHeight)) {
        return CliUsage("--cell takes the cell size as WxH in pixels, such as 32x32.");
    }
    if (sSpacing) {
        std::optional<long long> n = CliParseInt(*sSpacing);
        if (!n || *n < 0 || *n > INT32_MAX) {
            return CliUsage("--spacing takes a number of pixels.");
        }
        grid.nSpacing = static_cast<int>(*n);
    }
    if (sBackground) {
        const std::string& s = *sBackground;
        if (s.size() != 6 || s.find_first_not_of("0123456789abcdefABCDEF") != std::string::npos) {
            return CliUsage("--background takes a colour as RRGGBB, such as FF00FF.");
        }
        const uint32_t rgb = static_cast<uint32_t>(std::stoul(s, nullptr, 16));
        grid.nBackground = ((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF);
    }
    // The icons: chosen rows in list order, the first N, or the whole category.
    const ZIL_LIST& list = c.l.lib.GetList(c.Id());
    std::vector<int> rows;
    if (sCount && (sRows || sIds)) {
        return CliUsage("give either --count or --rows/--ids.");
    }
    if (sCount) {
        std::optional<long long> n = CliParseInt(*sCount);
        if (!n || *n < 1) {
            return CliUsage("--count takes a number of icons.");
        }
        if (static_cast<size_t>(*n) > list.size()) {
            return CliFail("the category has only %zu icons.", list.size());
        }
        for (int i = 0; i < *n; ++i) {
            rows.push_back(i);
        }
    } else if (sRows || sIds) {
        if (!TakeRows(c.l, c.Id(), sRows, sIds, rows, c.nCode)) {
            return c.nCode;
        }
        rows = ZsCleanRows(std::move(rows), list.size());
    } else {
        for (size_t i = 0; i < list.size(); ++i) {
            rows.push_back(static_cast<int>(i));
        }
    }
    if (rows.empty()) {
        return CliFail("the category has no icons to join.");
    }
    std::vector<int32_t> ids;
    for (int nRow : rows) {
        ids.push_back(list[static_cast<size_t>(nRow)]);
    }
    const int n = static_cast<int>(ids.size());
    const std::string sLayoutText = sLayout.value_or("strip");
    if (sLayoutText == "strip") {
        ZsGetGridLayout(ZS_GRID_STRIP, n, grid.nColumns, grid.nRows);
    } else if (sLayoutText == "square") {
        ZsGetGridLayout(ZS_GRID_SQUARE, n, grid.nColumns, grid.nRows);
    } else if (!ParseSize(sLayoutText, grid.nColumns, grid.nRows) ||
               sLayoutText.find('x') == std::string::npos) {
        return CliUsage("--layout takes strip, square or COLSxROWS, such as 4x3.");
    }
    std::string sError;
    if (!ZsExportGrid(c.l.lib, ids, grid, out, nFilterIndex, &sError)) {
        return CliFail("%s", sError.c_str());
    }
    int nWidth = 0, nHeight = 0;
    ZsGetGridCanvasSize(grid, nWidth, nHeight);
    CliReport().Set("icons", n);
    if (!output.Commit()) {
        return CLI_FAILED;
    }
    CliSummary("%d icon%s joined into '%s' (%dx%d, %d x %d pixels).", n, n == 1 ? "" : "s",
               output.Shown().c_str(), grid.nColumns, grid.nRows, nWidth, nHeight);
    return CLI_OK;
}

int Compact(CCliArgs& args) {
    Command c;
    if (!c.Start(args, 1, 1, "compact", false)) {
        return c.nCode;
    }
    std::error_code ecBefore, ecAfter;
    const uintmax_t nBefore = std::filesystem::file_size(c.l.path, ecBefore);
    if (!c.l.lib.Compact()) {
        return CliFail("cannot compact '%s': %s.", c.Path().c_str(), c.l.lib.LastError().c_str());
    }
    const uintmax_t nAfter = std::filesystem::file_size(c.l.path, ecAfter);
    if (!ecBefore && !ecAfter) {
        CliReport().Set("bytesBefore", static_cast<uint64_t>(nBefore));
        CliReport().Set("bytes", static_cast<uint64_t>(nAfter));
        CliReport().Set("bytesSaved", static_cast<int64_t>(nBefore) - static_cast<int64_t>(nAfter));
    }
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"merge", "merge LIB [--category PATH] --rows|--ids LIST [--yes]  merge pairs of icons", Merge,
     "With the chosen rows in ascending order and n of them, each of the first n/2 icons absorbs the\n"
     "images of the icon n/2 rows further in the choice, which then leaves the library; names and\n"
     "keywords of the absorbing icons stay. The verb asks before merging: pass --yes to answer OK.\n"
     "\n"
     "  pictavo-cli merge icons.pctv --rows 2,5,6,9 --yes     row 2 absorbs row 6, row 5 row 9"},
    {"delete-formats",
     "delete-formats LIB [--category PATH] --rows|--ids LIST --formats LIST [--except] [--keep-largest]\n"
     "                                     delete image formats from icons",
     DeleteFormats,
     "Deletes the listed formats from each chosen icon, or with --except every format not listed.\n"
     "--keep-largest never deletes an icon's largest image of the greatest depth. An icon that loses\n"
     "every image is deleted from the library. LIST: labels such as 48x48-XP,16x16-256 or preset names.\n"
     "\n"
     "  pictavo-cli delete-formats icons.pctv --rows 0,1 --formats 16x16-16,32x32-16\n"
     "  pictavo-cli delete-formats icons.pctv --ids 7 --formats 48x48-XP --except --keep-largest"},
    {"add-formats",
     "add-formats LIB [--category PATH] --rows|--ids LIST --formats LIST " CLI_PNG_SYNOPSIS "\n"
     "                                     add image formats to icons",
     AddFormats,
     "Adds each listed format that a chosen icon lacks, made from the icon's largest image of the greatest\n"
     "depth (scaled with its aspect kept and reduced to the format's depth). Formats already there stay.\n"
     "\n"
     "  pictavo-cli add-formats icons.pctv --category \"My Icons/Toolbar\" --rows 0 --formats \"Windows XP "
     "Icon "
     "Format\""},
    {"grid-export",
     "grid-export LIB OUT.png|bmp|jpg|gif|tif|webp [--category PATH] [--rows|--ids LIST|--count N] --cell "
     "WxH\n"
     "       [--layout strip|square|COLSxROWS] [--spacing N] [--background RRGGBB]\n"
     "       [--type png|bmp|jpg|gif|tif|webp]  join icons into one picture",
     GridExport,
     "Joins icons of a category (all of them, the chosen rows in list order, or the first N) into one "
     "picture\n"
     "of cells: a strip of n x 1 (the default), a square of s x s with s * s >= n, or COLSxROWS (icons "
     "beyond\n"
     "the cells are left out). Each cell shows the icon's smallest image at least as large as the cell,\n"
     "scaled to the cell. --spacing puts N pixels around and between the cells; without --background the\n"
     "gaps are transparent. The picture type comes from OUT's extension, or from --type; OUT \"-\" is\n"
     "standard output (a PNG picture unless --type says otherwise).\n"
     "\n"
     "  pictavo-cli grid-export icons.pctv strip.png --count 5 --cell 32x32 --spacing 2    172 x 36 pixels\n"
     "  pictavo-cli grid-export icons.pctv sheet.bmp --layout square --cell 48x48 --background FFFFFF"},
    {"compact", "compact LIB                        compact the library's file", Compact,
     "Rewrites the library's file without the free space that deleted icons and categories left.\n"
     "--json reports the file's size before (\"bytesBefore\") and after (\"bytes\"), and \"bytesSaved\".\n"
     "\n"
     "  pictavo-cli compact icons.pctv"},
};

}  // namespace

std::span<const CLI_VERB> CliLibEditVerbs() {
    return kVerbs;
}
