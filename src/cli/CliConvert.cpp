// Verbs that make icons of pictures, write icons' images out, and change the formats an icon holds:
// convert, split, export-images, formats and presets.
#include <algorithm>
#include <cstdio>

#include "cli/Cli.h"
#include "common/ZsBase.h"
#include "icon/ZsCodec.h"
#include "icon/ZsCursor.h"
#include "icon/ZsFormats.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"
#include "icon/ZsPicture.h"

int CliSizingMode(CCliArgs& args) {
    std::optional<std::string> mode = args.Option("--resize");
    if (!mode || *mode == "enlarge") {
        return ZI_SIZING_ENLARGE;
    }
    if (*mode == "shrink") {
        return ZI_SIZING_SHRINK;
    }
    return *mode == "keep" ? ZI_SIZING_KEEP : -1;
}

bool CliFormatOptions(CCliArgs& args, std::vector<ZI_FORMAT>& list, int* pnRc) {
    std::optional<std::string> formats = args.Option("--formats");
    std::optional<std::string> preset = args.Option("--preset");
    if (formats && preset) {
        *pnRc = CliUsage("give either --formats or --preset, not both.");
        return false;
    }
    if (preset) {
        const ZI_PRESET* p = ZI_FindPreset(*preset);
        if (!p) {
            *pnRc = CliUsage("there is no preset named '%s' (see 'pictavo-cli presets').", preset->c_str());
            return false;
        }
        ZI_InsertDesiredFormats(list, p->nMask);
    }
    std::string sError;
    if (formats && !ZI_ParseFormatList(*formats, list, &sError)) {
        *pnRc = CliUsage("%s.", sError.c_str());
        return false;
    }
    return true;
}

bool CliPngOptions(CCliArgs& args, int* pnRc) {
    const bool bPng = args.Flag("--png");
    std::optional<std::string> min = args.Option("--png-min");
    std::optional<long long> nMin = min ? CliParseInt(*min) : 256;
    if (min && bPng) {
        *pnRc = CliUsage("give either --png or --png-min, not both.");
        return false;
    }
    if (!nMin || *nMin < 1 || *nMin > 8191) {
        *pnRc = CliUsage("--png-min takes a side in pixels from 1 to 8191.");
        return false;
    }
    ZI_SetPngMinSize(bPng || min ? static_cast<int>(*nMin) : 0);
    return true;
}

namespace {

bool WriteIcon(const std::filesystem::path& path, const ZsBlock& block) {
    if (block.empty() || !ZsWriteFile(path, block)) {
        CliFail("cannot write '%s'.", CliShow(path).c_str());
        return false;
    }
    return true;
}

// The block written to the output, copied to standard output for "-"; reported under --json.
int WriteOutput(CCliOutput& output, const ZsBlock& block) {
    if (block.empty() || !ZsWriteFile(output.Path(), block)) {
        return CliFail("cannot write '%s'.", output.Shown().c_str());
    }
    if (!output.Commit()) {
        return CLI_FAILED;
    }
    CliReport().Set("images", ZI_GetImageCount(block));
    CliReport().Set("bytes", static_cast<int64_t>(block.size()));
    CliReport().Set("written", output.Shown());
    return CLI_OK;
}

bool EnsureFolder(const std::filesystem::path& folder) {
    std::error_code ec;
    std::filesystem::create_directories(folder, ec);
    if (!std::filesystem::is_directory(folder, ec)) {
        CliFail("cannot create the folder '%s'.", CliShow(folder).c_str());
        return false;
    }
    return true;
}

// "X,Y": a hot spot of two whole numbers from 0.
bool ParseHotspot(const std::string& text, int& nX, int& nY) {
    const size_t comma = text.find(',');
    std::optional<long long> x =
        comma == std::string::npos ? std::nullopt : CliParseInt(text.substr(0, comma));
    std::optional<long long> y =
        comma == std::string::npos ? std::nullopt : CliParseInt(text.substr(comma + 1));
    if (!x || !y || *x < 0 || *y < 0 || *x > 8191 || *y > 8191) {
        return false;
    }
    nX = static_cast<int>(*x);
    nY = static_cast<int>(*y);
    return true;
}

bool IsIconKind(ZI_SOURCE_KIND nKind) {
    return nKind == ZI_SOURCE_ICO || nKind == ZI_SOURCE_ICNS || nKind == ZI_SOURCE_CURSOR;
}

// The icon a convert starts from: an icon file, Apple icon file or cursor as it is (an animated cursor's
// first frame), any other file as a picture made into an icon (an SVG drawn at each of the formats).
ZsBlock ConvertInput(const std::filesystem::path& in, int nMode, std::span<const ZI_FORMAT> formats,
                     std::string& sError) {
    const ZI_SOURCE_KIND nKind = ZI_GetSourceKind(in);
    if (IsIconKind(nKind)) {
        CIconSource source;
        if (!source.Open(in, nKind)) {
            sError = source.GetError();
            return {};
        }
        ZsBlock block = source.GetData(0);
        if (ZI_GetImageCount(block) == 0) {
            sError = "it is not an icon file";
            return {};
        }
        return block;
    }
    return ZI_LoadPictureIcon(in, nMode, &sError, formats);
}

int Convert(CCliArgs& args) {
    const int nMode = CliSizingMode(args);
    std::optional<std::string> hotspot = args.Option("--hotspot");
    std::optional<std::string> type = args.Option("--type");
    std::vector<ZI_FORMAT> formats;
    int rc = CLI_USAGE;
    if (!CliFormatOptions(args, formats, &rc) || !CliPngOptions(args, &rc)) {
        return rc;
    }
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2) {
        return CliUsage("convert takes a picture or icon and an icon, Apple icon or cursor file to write.");
    }
    if (nMode < 0) {
        return CliUsage("--resize takes enlarge, shrink or keep.");
    }
    int nTypeCode = CLI_OK;
    const std::string sOutExt = CliOutputType(type, files[1], {"ico", "icns", "cur"}, nTypeCode);
    if (nTypeCode != CLI_OK) {
        return nTypeCode;
    }
    CCliInput input;
    CCliOutput output;
    if (!input.Open(files[0], rc) ||
        !output.Open(files[1], sOutExt == "icns" || sOutExt == "cur" ? sOutExt : "ico", rc)) {
        return rc;
    }
    const std::filesystem::path& in = input.Path();
    int nX = 0, nY = 0;
    if (hotspot && (sOutExt != "cur" || !ParseHotspot(*hotspot, nX, nY))) {
        return CliUsage("--hotspot takes X,Y (pixels from the top left) and goes with a .cur file to write.");
    }
    std::string sError;
    // A picture becomes an Apple icon file in one step, so that a drawing draws each of its sides.
    const bool bPictureIcns = sOutExt == "icns" && !IsIconKind(ZI_GetSourceKind(in));
    ZsBlock block = bPictureIcns ? ZI_LoadPictureIcns(in, nMode, &sError, formats)
                                 : ConvertInput(in, nMode, formats, sError);
    if (block.empty()) {
        return CliFail("cannot convert '%s': %s.", input.Shown().c_str(), sError.c_str());
    }
    if (bPictureIcns) {
        return WriteOutput(output, block);
    }
    CIcon icon;
    icon.SetData(block);
    if (!formats.empty()) {
        icon.SetFormats(formats);
        block = icon.GetData(-1);
    }
    if (sOutExt == "icns") {
        block = ZI_IconToIcns(icon);
    } else if (sOutExt == "cur") {
        block = ZI_IconToCursor(icon, nX, nY);
        if (block.empty()) {
            return CliFail("the hot spot %d,%d lies outside the cursor's largest image.", nX, nY);
        }
    }
    return WriteOutput(output, block);
}

int Split(CCliArgs& args) {
    const int nMode = CliSizingMode(args);
    std::optional<std::vector<std::string>> tile = args.Option("--tile", 2);
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2 || !tile) {
        return CliUsage("split takes a picture, a folder and --tile W H.");
    }
    std::optional<long long> tw = CliParseInt((*tile)[0]), th = CliParseInt((*tile)[1]);
    if (!tw || !th || *tw < -65536 || *tw > 65536 || *th < -65536 || *th > 65536) {
        return CliUsage(
            "--tile takes two whole numbers: sizes in pixels, 0 for the whole picture, or negative "
            "counts of columns and rows.");
    }
    if (nMode < 0) {
        return CliUsage("--resize takes enlarge, shrink or keep.");
    }
    CCliInput input;
    int nCode = CLI_OK;
    if (!CliNotStdio(files[1], "the folder", nCode) || !input.Open(files[0], nCode)) {
        return nCode;
    }
    const std::filesystem::path& in = input.Path();
    const std::filesystem::path folder = CliPath(files[1]);
    std::vector<ZsBlock> blocks;
    std::string sError;
    ZI_SplitPicture(in, blocks, static_cast<int>(*tw), static_cast<int>(*th), nMode, &sError);
    if (blocks.empty()) {
        return CliFail("cannot split '%s': %s.", input.Shown().c_str(),
                       sError.empty() ? "too many tiles" : sError.c_str());
    }
    if (!EnsureFolder(folder)) {
        return CLI_FAILED;
    }
    const std::string sTitle = ZsMakeFileName(ZsGetPathTitle(CliShow(in)));
    CCliJson& written = CliReport().Set("written", CCliJson::Array());
    for (size_t i = 0; i < blocks.size(); ++i) {
        const std::filesystem::path out =
            folder / ZsPathFromUtf8(ZsFormat("%s (%zu).ico", sTitle.c_str(), i + 1));
        if (!WriteIcon(out, blocks[i])) {
            return CLI_FAILED;
        }
        written.Push(CliShow(out));
    }
    CliReport().Set("tiles", static_cast<int64_t>(blocks.size()));
    CliSummary("%zu tile%s written to %s", blocks.size(), blocks.size() == 1 ? "" : "s",
               CliShow(folder).c_str());
    return CLI_OK;
}

bool ReadIcon(const CCliInput& input, CIcon& icon) {
    std::optional<ZsBlock> data = ZsReadFile(input.Path());
    if (!data) {
        CliFail("cannot read '%s'.", input.Shown().c_str());
        return false;
    }
    if (!icon.SetData(*data)) {
        CliFail("'%s' is not an icon file.", input.Shown().c_str());
        return false;
    }
    return true;
}

int ExportImages(CCliArgs& args) {
    std::optional<std::string> type = args.Option("--type");
    const bool bEach = args.Flag("--each");
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2 || !type) {
        return CliUsage("export-images takes an icon file, a folder and --type.");
    }
    int nType = -1;
    for (int i = 0; i < ZS_EXPORT_COUNT; ++i) {
        if ((i == ZS_EXPORT_ICO || ZsIsPictureType(i)) && *type == ZsGetExportExt(i)) {
            nType = i;
        }
    }
    if (nType < 0) {
        return CliUsage("--type takes bmp, jpg, gif, tif, png, webp or ico.");
    }
    CCliInput input;
    int nCode = CLI_OK;
    if (!CliNotStdio(files[1], "the folder", nCode) || !input.Open(files[0], nCode)) {
        return nCode;
    }
    const std::filesystem::path folder = CliPath(files[1]);
    CIcon icon;
    if (!ReadIcon(input, icon) || !EnsureFolder(folder)) {
        return CLI_FAILED;
    }
    const std::string sTitle = ZsGetPathTitle(CliShow(input.Path()));
    std::vector<std::filesystem::path> failed;
    const bool bWritten = icon.ExportImages(sTitle, nType, folder, bEach, &failed);
    // Images of one label share a file: each file is told once.
    CCliJson& written = CliReport().Set("written", CCliJson::Array());
    std::vector<std::filesystem::path> told;
    for (const std::filesystem::path& p : icon.ExportPaths(sTitle, nType, folder, bEach)) {
        if (std::find(told.begin(), told.end(), p) == told.end() &&
            std::find(failed.begin(), failed.end(), p) == failed.end()) {
            told.push_back(p);
            written.Push(CliShow(p));
        }
    }
    CliReport().Set("images", icon.GetImageCount());
    std::string sList;
    for (const std::filesystem::path& p : failed) {
        CliRefused(CliShow(p), "cannot be written");
        sList += (sList.empty() ? "'" : ", '") + CliShow(p) + "'";
    }
    return bWritten ? CLI_OK : CliFailRefused("could not write %s.", sList.c_str());
}

int Formats(CCliArgs& args) {
    std::optional<std::string> add = args.Option("--add");
    std::optional<std::string> remove = args.Option("--remove");
    std::optional<std::string> set = args.Option("--set");
    std::optional<std::string> from = args.Option("--from-image");
    const bool bBlank = args.Flag("--blank");
    const bool bExcept = args.Flag("--except");
    const bool bKeepLargest = args.Flag("--keep-largest");
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2) {
        return CliUsage("formats takes an input and an output icon file.");
    }
    int rc = CLI_USAGE;
    if (!CliPngOptions(args, &rc)) {
        return rc;
    }
    if (static_cast<int>(add.has_value()) + remove.has_value() + set.has_value() != 1) {
        return CliUsage("formats takes exactly one of --add, --remove and --set.");
    }
    std::optional<long long> nFrom = from ? CliParseInt(*from) : 0;
    if (!nFrom || *nFrom < 0 || (from && bBlank)) {
        return CliUsage("--from-image takes an image number from 0, and goes without --blank.");
    }
    std::vector<ZI_FORMAT> list;
    std::string sError;
    if (!ZI_ParseFormatList(add ? *add : remove ? *remove : *set, list, &sError)) {
        return CliUsage("%s.", sError.c_str());
    }
    CCliInput input;
    CCliOutput output;
    if (!input.Open(files[0], rc) || !output.Open(files[1], "ico", rc)) {
        return rc;
    }
    CIcon icon;
    if (!ReadIcon(input, icon)) {
        return CLI_FAILED;
    }
    if (add) {
        if (!bBlank && icon.GetImageCount() > 0 && *nFrom >= icon.GetImageCount()) {
            return CliFail("'%s' has no image %lld.", input.Shown().c_str(), *nFrom);
        }
        ZI_NewFormats(icon, list, bBlank ? -1 : static_cast<int>(*nFrom), nullptr);
    } else if (remove) {
        icon.RemoveFormats(list, bExcept, bKeepLargest);
    } else {
        ZI_ApplyExportFormats(icon, list, bExcept, true);
    }
    if (icon.GetImageCount() == 0) {
        return CliFail("no image would be left in the icon; '%s' was not written.", output.Shown().c_str());
    }
    return WriteOutput(output, icon.GetData(-1));
}

int Presets(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || !files.empty()) {
        return CliUsage("presets takes no arguments.");
    }
    // Under --json: the presets in order, each with the heading it stands under and its formats.
    CCliJson json = CCliJson::Array();
    std::string sGroup;
    for (const ZI_PRESET& p : ZI_GetPresets()) {
        if (p.nMask == 0) {
            sGroup = p.pszName;
            if (!CliJsonOutput()) {
                std::printf("%s:\n", p.pszName);
            }
            continue;
        }
        std::string sFormats;
        CCliJson formats = CCliJson::Array();
        for (const ZI_FORMAT& f : ZI_GetMaskFormats(p.nMask)) {
            sFormats += (sFormats.empty() ? "" : ",") + ZI_GetFormatName(f);
            formats.Push(CliFormatJson(f));
        }
        if (!CliJsonOutput()) {
            std::printf("  %s\n    %s\n", p.pszName, sFormats.c_str());
            continue;
        }
        CCliJson preset = CCliJson::Object();
        preset.Set("group", sGroup);
        preset.Set("name", p.pszName);
        preset.Set("formats", std::move(formats));
        json.Push(std::move(preset));
    }
    if (CliJsonOutput()) {
        std::printf("%s\n", json.Dump().c_str());
        CliJsonPrinted();
    }
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"convert",
     "convert IN OUT [--resize enlarge|shrink|keep] [--formats LIST | --preset NAME]\n"
     "        " CLI_PNG_SYNOPSIS " [--hotspot X,Y] [--type ico|icns|cur]\n"
     "                                     make an icon (.ico), Apple icon (.icns) or cursor (.cur) of a\n"
     "                                     picture (PNG, BMP, JPEG, GIF, TIFF, WebP, SVG), icon or cursor",
     Convert,
     "Makes a one-image icon of a picture: a 32-bit image on a square canvas of the smallest standard size\n"
     "holding the picture (enlarge, the default), of the largest one it covers (shrink), or of the "
     "picture's\n"
     "own size (keep). An icon file, Apple icon file or cursor is taken as it is (an animated cursor's "
     "first\n"
     "frame). --formats or --preset then make the icon hold exactly those formats.\n"
     "An SVG drawing is rendered afresh at every size: 256, 128, 64, 48, 32, 24 and 16 pixels at 32 bits,\n"
     "or the formats given (--resize does not apply to it), in a helper process that stops a drawing after\n"
     "5 seconds (PICTAVO_SVG_TIME_LIMIT=SECONDS in the environment sets another limit).\n"
     "The file written follows OUT's extension: .icns writes an Apple icon file of PNG images from 16 to\n"
     "1024 pixels (up to the icon's largest side, missing sides made from its largest image; an SVG has\n"
     "every side drawn, all of them unless --formats or --preset give a largest side); .cur writes a\n"
     "cursor whose hot spot is X,Y in the largest image (default 0,0); anything else an icon "
     "file.\n"
     "--type gives the kind instead of the extension. IN may be \"-\" (standard input, its kind told by\n"
     "its content), OUT \"-\" (standard output, an icon file unless --type says otherwise).\n" CLI_PNG_HELP
     "\n"
     "  pictavo-cli convert logo.png logo.ico --preset \"Windows XP Icon Format\"\n"
     "  pictavo-cli convert logo.svg app.ico\n"
     "  cat logo.png | pictavo-cli convert - - --type icns > app.icns\n"
     "  pictavo-cli convert logo.png app.icns\n"
     "  pictavo-cli convert logo.svg app.icns\n"
     "  pictavo-cli convert arrow.png arrow.cur --hotspot 3,2 --formats 32x32-XP,48x48-XP"},
    {"split",
     "split PICTURE|- DIR --tile W H [--resize enlarge|shrink|keep]\n"
     "                                     cut a picture into tiles, one icon each (negative: counts)",
     Split,
     "Cuts a picture into tiles row by row from the top left and writes one icon per tile as\n"
     "\"DIR/<title> (<n>).ico\". W and H are tile sizes in pixels, or minus the number of tiles across and "
     "down.\n"
     "PICTURE may be \"-\" (standard input; its title is \"stdin\"). --json reports the files written.\n"
     "\n"
     "  pictavo-cli split toolbar.png icons --tile 16 16\n"
     "  pictavo-cli split sheet.png icons --tile -4 -2     4 x 2 tiles"},
    {"export-images",
     "export-images ICO|- DIR --type bmp|jpg|gif|tif|png|webp|ico [--each]\n"
     "                                     write an icon's images as pictures or icon files",
     ExportImages,
     "Writes each image of an icon file as \"DIR/<title> (<format>).<ext>\"; --type ico writes one icon "
     "file,\n"
     "or with --each one icon file per image. ICO may be \"-\" (standard input; its title is \"stdin\").\n"
     "--json reports the files written and those that could not be.\n"
     "\n"
     "  pictavo-cli export-images app.ico out --type png"},
    {"formats",
     "formats IN.ico|- OUT.ico|- --add LIST [--from-image N | --blank] | --remove LIST [--except]\n"
     "          [--keep-largest] | --set LIST [--except]  " CLI_PNG_SYNOPSIS "\n"
     "                                     add, remove or set image formats (LIST: 48x48-XP,16x16-256,\n"
     "                                     or preset names)",
     Formats,
     "--add makes each listed format the icon lacks from image N (default 0, the largest) or blank;\n"
     "--remove deletes the listed formats (with --except every other one; --keep-largest keeps image 0);\n"
     "--set makes the icon hold exactly the listed formats (with --except every standard format not "
     "listed). IN and OUT may be \"-\" (standard input and output). --json reports the images "
     "written.\n" CLI_PNG_HELP "\n"
     "  pictavo-cli formats app.ico app2.ico --add 24x24-XP,16x16-256\n"
     "  pictavo-cli formats app.ico small.ico --remove 16x16-XP --except"},
    {"presets", "presets [--json]                   list the format presets and their formats", Presets,
     "Lists every preset name usable in --preset and in format lists, with its formats, under the\n"
     "headings it stands under; --json lists them with \"group\", \"name\" and \"formats\" (width,\n"
     "height, bitCount, label)."},
};

}  // namespace

std::span<const CLI_VERB> CliConvertVerbs() {
    return kVerbs;
}
