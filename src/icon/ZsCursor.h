// Cursor files: static cursors (".cur", the icon file layout with idType 2 and each image's hot spot where
// icons keep planes and bit count) and animated cursors (".ani", a RIFF "ACON" file whose frames are cursor
// or icon files). Cursors become icons: the images are kept and the hot spots, which an icon has no place
// for, are dropped. Icons become cursors with a hot spot given for the largest image.
#pragma once

#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "icon/ZsIcon.h"

// True when the bytes begin like a cursor file (reserved 0, idType 2).
bool ZI_IsCursor(ZsBytes data);

// The images of a cursor file as an ICO block, each directory entry given plane 1 and the bit count of its
// image's own header (32 for PNG). Entries whose data does not lie inside the file are left out, as in icon
// files. Empty, with a sentence in *pError, for bytes that are no cursor or a cursor without images.
ZsBlock ZI_CursorToIcon(ZsBytes data, std::string* pError = nullptr);

// The icon as a cursor file. The hot spot (nX, nY) is that of the largest image; each other image gets it
// scaled to its own size. Empty for an icon without images or a hot spot outside the largest image.
ZsBlock ZI_IconToCursor(const CIcon& icon, int nX, int nY);

// Animated cursors: at most this many frames are read.
inline constexpr size_t ZI_MAX_ANI_FRAMES = 4096;

// The frames of an animated cursor, in file order, each as an ICO block (cursor frames made into icons as
// ZI_CursorToIcon does). Every RIFF chunk must lie inside its parent. False, with a sentence in *pError and
// no frames appended, for a damaged file, frames stored as raw bitmaps, a frame that is no icon or cursor,
// or a file without frames.
bool ZI_ReadAnimatedCursor(ZsBytes data, std::vector<ZsBlock>& frames, std::string* pError = nullptr);
