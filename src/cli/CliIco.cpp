// Verbs on icon files: info and repack.
#include <cstdio>

#include "cli/Cli.h"
#include "common/ZsBase.h"
#include "icon/ZsIcon.h"
#include "icon/ZsIconSource.h"

namespace {

void PrintIcoText(const std::filesystem::path& path, ZsBytes data) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    ZI_INFO info;
    ZI_GetIconInfo(data, &info);
    std::printf("%s: icon file, %d image%s, %d bytes\n", CliShow(path).c_str(), info.nImages,
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

void PrintIcoJson(const std::filesystem::path& path, ZsBytes data) {
    std::vector<ZI_ENTRY> entries = ZI_GetEntries(data);
    ZI_INFO info;
    ZI_GetIconInfo(data, &info);
    std::printf("{\"file\": %s, \"kind\": \"ico\", \"images\": [", JsonQuote(CliShow(path)).c_str());
    for (size_t i = 0; i < entries.size(); ++i) {
        const ZI_ENTRY& e = entries[i];
        ZI_FORMAT f = e.Format();
        std::printf(
            "%s{\"width\": %d, \"height\": %d, \"bitCount\": %d, \"label\": %s, \"png\": %s, \"bytes\": %u}",
            i ? ", " : "", f.nWidth, f.nHeight, f.nBitCount, JsonQuote(ZI_GetFormatName(f)).c_str(),
            ZI_IsPng(e.image) ? "true" : "false", e.dwBytesInRes);
    }
    std::printf(
        "], \"info\": {\"size\": %d, \"images\": %d, \"xpImages\": %d, \"maxWidth\": %d, \"minWidth\": %d, "
        "\"maxBitCount\": %d, \"minBitCount\": %d}}\n",
        info.dwSize, info.nImages, info.nXPImages, info.nMaxWidth, info.nMinWidth, info.nMaxBitCount,
        info.nMinBitCount);
}

bool MatchIco(const std::filesystem::path&, const std::vector<uint8_t>& head) {
    return ZI_IsValidIcon(head);
}

int ShowIco(const std::filesystem::path& path, bool bJson) {
    CIconSource source;
    if (!source.Open(path, ZI_SOURCE_ICO)) {
        return CliFail("cannot read '%s'.", CliShow(path).c_str());
    }
    const ZsBlock data = source.GetData(0);
    if (bJson) {
        PrintIcoJson(path, data);
    } else {
        PrintIcoText(path, data);
    }
    return CLI_OK;
}

int Repack(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 2) {
        return CliUsage("repack takes an input and an output icon file.");
    }
    std::filesystem::path in = CliPath(files[0]), out = CliPath(files[1]);
    std::optional<ZsBlock> data = ZsReadFile(in);
    if (!data) {
        return CliFail("cannot read '%s'.", CliShow(in).c_str());
    }
    CIcon icon;
    if (!icon.SetData(*data)) {
        return CliFail("'%s' is not an icon file.", CliShow(in).c_str());
    }
    ZsBlock packed = icon.GetData(-1);
    if (packed.empty() || !ZsWriteFile(out, packed)) {
        return CliFail("cannot write '%s'.", CliShow(out).c_str());
    }
    return CLI_OK;
}

const CLI_VERB kVerbs[] = {
    {"repack", "repack IN.ico OUT.ico              rewrite an icon file with its images in format order",
     Repack,
     "Reads an icon file and writes it again with its images sorted by depth, then size, largest\n"
     "first; images that cannot be read are left out.\n"
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
