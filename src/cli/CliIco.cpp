// Verbs on icon files: info (of icon files, Apple icon files and cursors) and repack.
#include <algorithm>
#include <cstdio>
#include <cstring>

#include "cli/Cli.h"
#include "common/ZsBase.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"

CCliJson CliFormatJson(const ZI_FORMAT& f) {
    CCliJson format = CCliJson::Object();
    format.Set("width", f.nWidth);
    format.Set("height", f.nHeight);
    format.Set("bitCount", f.nBitCount);
    format.Set("label", ZI_GetFormatName(f));
    return format;
}

CCliJson CliImagesJson(ZsBytes data) {
    CCliJson images = CCliJson::Array();
    for (const ZI_ENTRY& e : ZI_GetEntries(data)) {
        CCliJson image = CliFormatJson(e.Format());
        image.Set("png", ZI_IsPng(e.image));
        image.Set("bytes", static_cast<int64_t>(e.dwBytesInRes));
        images.Push(std::move(image));
    }
    return images;
}

namespace {

// How info names the kinds of file it describes as icons.
struct ICON_FILE_KIND {
    const char* pszKey;   // "kind" in JSON
    const char* pszName;  // in the text
    ZI_SOURCE_KIND nSource;
};
constexpr ICON_FILE_KIND kIco{"ico", "icon file", ZI_SOURCE_ICO};
constexpr ICON_FILE_KIND kIcns{"icns", "Apple icon file, as an icon", ZI_SOURCE_ICNS};
constexpr ICON_FILE_KIND kCur{"cur", "cursor, as an icon", ZI_SOURCE_CURSOR};
constexpr ICON_FILE_KIND kAni{"ani", "animated cursor frame, as an icon", ZI_SOURCE_CURSOR};

const ICON_FILE_KIND* KindOf(const std::vector<uint8_t>& head) {
    if (ZI_IsValidIcon(head)) {
        return &kIco;
    }
    if (ZI_IsIcns(head)) {
        return &kIcns;
    }
    if (ZI_IsCursor(head)) {
        return &kCur;
    }
    return head.size() >= 12 && std::memcmp(head.data(), "RIFF", 4) == 0 &&
                   std::memcmp(head.data() + 8, "ACON", 4) == 0
               ? &kAni
               : nullptr;
}

void PrintIcoText(const std::string& sShown, const ICON_FILE_KIND& kind, ZsBytes data) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    ZI_INFO info;
    ZI_GetIconInfo(data, &info);
    std::printf("%s: %s, %d image%s, %d bytes\n", sShown.c_str(), kind.pszName, info.nImages,
                info.nImages == 1 ? "" : "s", info.dwSize);
    std::printf("  %-4s %-18s %6s %6s %5s  %-4s %10s\n", "#", "format", "width", "height", "bits", "kind",
                "bytes");
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZI_ENTRY& e = entries[i];
        ZI_FORMAT f = e.Format();
        std::printf("  %-4zu %-18s %6d %6d %5d  %-4s %10u\n", i, ZI_GetFormatName(f).c_str(), f.nWidth,
                    f.nHeight, f.nBitCount, ZI_IsPng(e.image) ? "PNG" : "DIB", e.dwBytesInRes);
    }
    if (info.nImages > 0) {
        std::printf("  widths %d..%d, bit counts %d..%d, %d XP image%s\n", info.nMinWidth, info.nMaxWidth,
                    info.nMinBitCount, info.nMaxBitCount, info.nXPImages, info.nXPImages == 1 ? "" : "s");
    }
}

void PrintIcoJson(const std::string& sShown, const ICON_FILE_KIND& kind, ZsBytes data) {
    ZI_INFO info;
    ZI_GetIconInfo(data, &info);
    CCliJson json = CCliJson::Object();
    json.Set("file", sShown);
    json.Set("kind", kind.pszKey);
    json.Set("images", CliImagesJson(data));
    CCliJson& summary = json.Set("info", CCliJson::Object());
    summary.Set("size", info.dwSize);
    summary.Set("images", info.nImages);
    summary.Set("xpImages", info.nXPImages);
    summary.Set("maxWidth", info.nMaxWidth);
    summary.Set("minWidth", info.nMinWidth);
    summary.Set("maxBitCount", info.nMaxBitCount);
    summary.Set("minBitCount", info.nMinBitCount);
    std::printf("%s\n", json.Dump().c_str());
}

bool MatchIco(const std::filesystem::path&, const std::vector<uint8_t>& head) {
    return KindOf(head) != nullptr;
}

// An icon file as it is; an Apple icon file or a cursor as the icon it becomes on import (an animated
// cursor one per frame, each shown as "<file> #<frame>").
int ShowIco(const std::filesystem::path& path, const std::string& sFile, bool bJson) {
    const ICON_FILE_KIND* pKind = KindOf(ZsReadFileHead(path, 12).value_or(ZsBlock()));
    CIconSource source;
    if (!pKind || !source.Open(path, pKind->nSource)) {
        const std::string& sError = source.GetError();
        return sError.empty() ? CliFail("cannot read '%s'.", sFile.c_str())
                              : CliFail("cannot read '%s': %s.", sFile.c_str(), sError.c_str());
    }
    const int nCount = source.GetCount();
    for (int i = 0; i < nCount; ++i) {
        const std::string sShown = pKind == &kAni ? ZsFormat("%s #%d", sFile.c_str(), i + 1) : sFile;
        const ZsBlock data = source.GetData(i);
        if (bJson) {
            PrintIcoJson(sShown, *pKind, data);
            CliJsonPrinted();
        } else {
            PrintIcoText(sShown, *pKind, data);
        }
    }
    return CLI_OK;
}

int Repack(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2) {
        return CliUsage("repack takes an input and an output icon file.");
    }
    CCliInput in;
    CCliOutput out;
    int nCode = CLI_OK;
    if (!in.Open(files[0], nCode) || !out.Open(files[1], "ico", nCode)) {
        return nCode;
    }
    std::optional<ZsBlock> data = ZsReadFile(in.Path());
    if (!data) {
        return CliFail("cannot read '%s'.", in.Shown().c_str());
    }
    CIcon icon;
    if (!icon.SetData(*data)) {
        return CliFail("'%s' is not an icon file.", in.Shown().c_str());
    }
    ZsBlock packed = icon.GetData(-1);
    if (packed.empty() || !ZsWriteFile(out.Path(), packed)) {
        return CliFail("cannot write '%s'.", out.Shown().c_str());
    }
    if (!out.Commit()) {
        return CLI_FAILED;
    }
    CliReport().Set("images", icon.GetImageCount());
    CliReport().Set("written", out.Shown());
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"repack", "repack IN.ico OUT.ico              rewrite an icon file with its images in format order",
     Repack,
     "Reads an icon file and writes it again with its images sorted by depth, then size, largest\n"
     "first; images that cannot be read are left out. Either file may be \"-\" (standard input or\n"
     "output). --json reports the images written.\n"
     "\n"
     "  pictavo-cli repack old.ico new.ico"},
};

}  // namespace

std::span<const CLI_VERB> CliIcoVerbs() {
    return kVerbs;
}

CLI_INFO_KIND CliIcoInfo() {
    return {MatchIco, ShowIco};
}
