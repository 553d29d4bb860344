// Icons read out of a file by its kind: an icon file, an Apple icon file or a cursor gives its one icon, a
// picture one icon (or one per tile it is cut into), an animated cursor one icon per frame, a classic icon
// library or a module one icon per icon group. Every icon comes as a named
// ICO data block, so that importing, describing and extracting name and read files the same way.
#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "icon/ZsIconLibrary.h"

// The kind of the file type (ZS_FILE_TYPES) its extension names, taken in lower case and compared exactly
// (".jpeg" and ".tif" name none).
ZI_SOURCE_KIND ZI_GetSourceKind(const std::filesystem::path& path);

// The largest file icons are read from: the largest blob SQLite stores by default.
inline constexpr uint64_t ZI_MAX_SOURCE_FILE_BYTES = 1000000000;

// The type (in ZS_FILE_TYPES) whose reader takes a file that begins with these bytes, for a file without a
// name to go by (standard input); nullptr when they begin like none. A module is taken for an ".exe", a
// JPEG for a ".jpg".
const ZS_FILE_TYPE* ZI_FindFileTypeOfContent(ZsBytes head);

// How pictures become icons: cut into tiles when both tile sizes are non-zero (ZI_SplitPicture's
// parameters), else made into one icon in the sizing mode (ZI_SIZING_*).
struct ZI_SOURCE_OPTIONS {
    int nTileWidth = 0;
    int nTileHeight = 0;
    int nSizingMode = 0;
};

class CIconSource {
public:
    CIconSource() = default;
    CIconSource(const CIconSource&) = delete;
    CIconSource& operator=(const CIconSource&) = delete;

    // Opens the file as the kind. An icon file is read whole (up to 1 GB, the largest block a library
    // stores) and taken as it is; a picture is decoded and made into its icon or tiles at once; a module has
    // its headers read, and each group is read when asked for. False, with the reason in GetError() and an
    // error line, when the file cannot be read as that kind (a missing file, a picture that cannot be
    // decoded or cut, a module that is neither NE nor PE or is damaged, an Apple icon file or cursor without
    // an image that can be read). A cursor file is read as an animated cursor when it begins like one.
    bool Open(const std::filesystem::path& path, ZI_SOURCE_KIND nKind, const ZI_SOURCE_OPTIONS& options = {});

    ZI_SOURCE_KIND GetKind() const { return mnKind; }
    // CIconLibrary::TYPE_NE or TYPE_PE for a module, else TYPE_UNKNOWN (0).
    int GetModuleType() const { return mnKind == ZI_SOURCE_MODULE ? mModule.mnType : 0; }
    // The number of icons; a module may have none.
    int GetCount() const;
    // True for a file that is one icon as a whole (an icon file, a picture not cut into tiles); its icon is
    // no numbered piece of the file.
    bool IsWhole() const { return mnKind != ZI_SOURCE_MODULE && mnKind != ZI_SOURCE_NONE && !mbTiles; }
    // The name of icon i: the file's title for a whole file, "<title> (<i + 1>)" for a tile or a frame, the
    // group's name for a module ("<title> (<i + 1>)" when the group has none).
    std::string GetName(int i) const;
    // The ICO data of icon i, handed over once (a tile or a whole file's block is moved out); empty when it
    // cannot be read. Icon files are not checked here: whoever keeps the block checks it.
    ZsBlock GetData(int i);
    const std::string& GetError() const { return msError; }

private:
    ZI_SOURCE_KIND mnKind = ZI_SOURCE_NONE;
    bool mbTiles = false;  // cut into tiles, or the frames of an animated cursor
    std::string msTitle;
    std::vector<ZsBlock> mBlocks;
    CIconLibrary mModule;
    std::string msError;
};
