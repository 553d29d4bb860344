// Thumbnails of the files Pictavo reads, as file managers show them: an icon file, an Apple icon file or a
// cursor shows its image nearest the size (an animated cursor its first frame), a classic icon library or a
// module its first icon group, an extended icon library a small grid of its first icons. The kind of a file
// comes from its content, never from its name. Files come from anywhere: each kind has a size above which it
// is refused before anything is read.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"

class CZsIconLib;

enum ZS_THUMB_KIND {
    ZS_THUMB_NONE = 0,
    ZS_THUMB_ICON = 1,
    ZS_THUMB_MODULE = 2,
    ZS_THUMB_LIBRARY = 3,
    ZS_THUMB_ICNS = 4,
    ZS_THUMB_CURSOR = 5,
    ZS_THUMB_ANIMATED_CURSOR = 6,
};

// Thumbnail sizes: the largest a file manager asks for.
inline constexpr int ZS_THUMB_MAX_SIZE = 1024;
// The largest icon image decoded for a thumbnail, by the size its own data gives (the directory may say
// otherwise): larger ones are a decoding bomb, not an icon.
inline constexpr int ZS_THUMB_MAX_IMAGE_SIDE = 2048;
// The largest files of each kind that are read: icon files whole, modules mapped (only their resources are
// touched). Apple icon files and cursors count as icon files. Libraries are read a page at a time, so their
// size is no limit.
inline constexpr uint64_t ZS_THUMB_MAX_ICON_BYTES = UINT64_C(32) << 20;
inline constexpr uint64_t ZS_THUMB_MAX_MODULE_BYTES = UINT64_C(512) << 20;

// The kind of a file from its first bytes (at least the first 16): an icon file, an Apple icon file
// ("icns"), a cursor, an animated cursor (RIFF "ACON"), a module ("MZ"), or an extended icon library (an
// SQLite database).
ZS_THUMB_KIND ZsGetThumbnailKind(ZsBytes head);

// The image of an ICO block nearest the size (the smallest at least that large, else the largest), scaled
// down to fit nSize x nSize with its aspect kept; never enlarged. A null bitmap for a block without a
// readable image or with any image larger than ZS_THUMB_MAX_IMAGE_SIDE.
CZsBitmap ZsIconThumbnail(ZsBytes ico, int nSize);

// The first icons of "My Icons" that ZsIconThumbnail can show, in a square grid (2 x 2, or 3 x 3 from 256
// pixels up) of nSize x nSize pixels on a transparent canvas; a library with one such icon shows it alone.
// A null bitmap when none of its first 64 icons can be shown.
CZsBitmap ZsLibraryThumbnail(CZsIconLib& lib, int nSize);

// The thumbnail of a file of any kind above; a null bitmap and a sentence in *pError when the file is of no
// such kind, too large, damaged or without icons. Libraries are opened read-only and never changed.
CZsBitmap ZsMakeThumbnail(const std::filesystem::path& path, int nSize, std::string* pError = nullptr);
