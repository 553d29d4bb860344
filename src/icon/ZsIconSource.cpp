#include "icon/ZsIconSource.h"

#include <cstring>
#include <new>
#include <optional>
#include <stdexcept>

#include "common/ZsLog.h"
#include "common/ZsText.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsPicture.h"
#include "icon/ZsSvg.h"

namespace {

// The whole file, or none with the reason in sError.
std::optional<ZsBlock> ReadWhole(const std::filesystem::path& path, std::string& sError) {
    std::string sWhy;
    std::optional<ZsBlock> data = ZsReadFile(path, ZI_MAX_SOURCE_FILE_BYTES, &sWhy);
    if (!data) {
        sError = "the file cannot be read: " + sWhy;
    }
    return data;
}

// What a file that needs more memory than there is gives instead of its icons.
constexpr const char* kNoMemory = "there is not enough memory to read the file";

}  // namespace

ZI_SOURCE_KIND ZI_GetSourceKind(const std::filesystem::path& path) {
    const ZS_FILE_TYPE* pType = ZsFindFileType(ZsGetPathExt(ZsPathToUtf8(path)));
    return pType ? pType->nKind : ZI_SOURCE_NONE;
}

const ZS_FILE_TYPE* ZI_FindFileTypeOfContent(ZsBytes head) {
    const auto starts = [&](std::string_view magic, size_t nAt = 0) {
        return head.size() >= nAt + magic.size() &&
               std::memcmp(head.data() + nAt, magic.data(), magic.size()) == 0;
    };
    const char* pszExt = nullptr;
    if (starts(std::string_view("\0\0\1\0", 4))) {
        pszExt = "ico";
    } else if (starts(std::string_view("\0\0\2\0", 4))) {
        pszExt = "cur";
    } else if (starts("RIFF") && starts("ACON", 8)) {
        pszExt = "ani";
    } else if (starts("RIFF") && starts("WEBP", 8)) {
        pszExt = "webp";
    } else if (ZI_IsIcns(head)) {
        pszExt = "icns";
    } else if (starts("MZ")) {
        pszExt = "exe";
    } else if (ZI_IsPng(head)) {
        pszExt = "png";
    } else if (starts("\xFF\xD8\xFF")) {
        pszExt = "jpg";
    } else if (starts("GIF8")) {
        pszExt = "gif";
    } else if (starts(std::string_view("II*\0", 4)) || starts(std::string_view("MM\0*", 4)) ||
               starts(std::string_view("II+\0", 4)) || starts(std::string_view("MM\0+", 4))) {
        pszExt = "tiff";
    } else if (starts("BM")) {
        pszExt = "bmp";
    } else if (ZsIsSvg(head)) {
        pszExt = "svg";
    }
    return pszExt ? ZsFindFileType(pszExt) : nullptr;
}

bool CIconSource::Open(const std::filesystem::path& path, ZI_SOURCE_KIND nKind,
                       const ZI_SOURCE_OPTIONS& options) {
    mnKind = ZI_SOURCE_NONE;
    mbTiles = false;
    mBlocks.clear();
    msError.clear();
    const std::string sPath = ZsPathToUtf8(path);
    msTitle = ZsGetPathTitle(sPath);
    // A file whose sizes ask for more memory than there is is refused like any other bad file.
    try {
        switch (nKind) {
            case ZI_SOURCE_ICO: {
                std::optional<ZsBlock> data = ReadWhole(path, msError);
                if (!data) {
                    break;
                }
                mBlocks.push_back(std::move(*data));
                mnKind = nKind;
                break;
            }
            case ZI_SOURCE_PICTURE:
                mbTiles = options.nTileWidth != 0 && options.nTileHeight != 0;
                if (mbTiles) {
                    if (ZI_SplitPicture(path, mBlocks, options.nTileWidth, options.nTileHeight,
                                        options.nSizingMode, &msError) == 0) {
                        if (msError.empty()) {
                            msError = "the picture cannot be cut into that many tiles";
                        }
                        break;
                    }
                } else {
                    ZsBlock data = ZI_LoadPictureIcon(path, options.nSizingMode, &msError);
                    if (data.empty()) {
                        break;
                    }
                    mBlocks.push_back(std::move(data));
                }
                mnKind = nKind;
                break;
            case ZI_SOURCE_MODULE:
                if (!mModule.Open(path)) {
                    msError = mModule.GetError().empty() ? "no icon library or module" : mModule.GetError();
                    break;
                }
                mnKind = nKind;
                break;
            case ZI_SOURCE_ICNS:
            case ZI_SOURCE_CURSOR: {
                std::optional<ZsBlock> data = ReadWhole(path, msError);
                if (!data) {
                    break;
                }
                if (nKind == ZI_SOURCE_CURSOR && data->size() >= 4 &&
                    std::memcmp(data->data(), "RIFF", 4) == 0) {
                    mbTiles = true;
                    if (!ZI_ReadAnimatedCursor(*data, mBlocks, &msError)) {
                        break;
                    }
                } else {
                    ZsBlock block = nKind == ZI_SOURCE_ICNS ? ZI_IcnsToIcon(*data, &msError)
                                                            : ZI_CursorToIcon(*data, &msError);
                    if (block.empty()) {
                        break;
                    }
                    mBlocks.push_back(std::move(block));
                }
                mnKind = nKind;
                break;
            }
            case ZI_SOURCE_NONE:
                msError = "not a kind of file icons are read from";
                break;
        }
    } catch (const std::bad_alloc&) {
        mnKind = ZI_SOURCE_NONE;
        msError = kNoMemory;
    } catch (const std::length_error&) {
        mnKind = ZI_SOURCE_NONE;
        msError = kNoMemory;
    }
    if (mnKind == ZI_SOURCE_NONE) {
        mBlocks.clear();
        ZS_LOG_ERR("CIconSource::Open", "'%s': %s", sPath.c_str(), msError.c_str());
        return false;
    }
    return true;
}

int CIconSource::GetCount() const {
    return mnKind == ZI_SOURCE_MODULE ? mModule.GetIconCount() : static_cast<int>(mBlocks.size());
}

std::string CIconSource::GetName(int i) const {
    if (IsWhole()) {
        return msTitle;
    }
    std::string sName = mnKind == ZI_SOURCE_MODULE ? mModule.GetIconName(i) : std::string();
    return sName.empty() ? ZsFormat("%s (%d)", msTitle.c_str(), i + 1) : sName;
}

ZsBlock CIconSource::GetData(int i) {
    if (i < 0 || i >= GetCount()) {
        return {};
    }
    if (mnKind == ZI_SOURCE_MODULE) {
        try {
            return mModule.GetIconData(i);
        } catch (const std::bad_alloc&) {
            return {};
        } catch (const std::length_error&) {
            return {};
        }
    }
    return std::move(mBlocks[static_cast<size_t>(i)]);
}
