// Editing an icon in another program: the icon's data is written to a file of its own in the temporary
// folder, the program works on that file, and what it saved comes back as the icon's new data. Which
// program runs and how the user is shown the wait is the desktop program's business; the file and the rules
// for taking it back are here.
#pragma once

#include <cstdint>
#include <filesystem>

#include "common/ZsBase.h"
#include "library/ZsIconLib.h"

// One icon out for editing.
struct ZIL_ICON_EDIT {
    int32_t nId = 0;
    std::filesystem::path file;  // the "Edit.ico" the program gets
    ZsBlock original;            // the bytes written to it
    int64_t nTime = 0;           // its last-write time then
};

// Writes the stored data of icon nId to a new "Edit.ico" in the temporary folder ("Edit (2).ico" and so on
// when that name is taken). False, with an error line, when the icon has no data or the file cannot be
// written.
bool ZsBeginIconEdit(CZsIconLib& lib, int32_t nId, ZIL_ICON_EDIT& edit);

// Whether the file has been written since it was handed out: its time or its size changed, or it is gone.
bool ZsIconEditTouched(const ZIL_ICON_EDIT& edit);

enum ZIL_EDIT_END {
    ZIL_EDIT_END_UNCHANGED = 0,  // the file still holds the icon's data: nothing changes
    ZIL_EDIT_END_REPLACED = 1,   // the file's icon replaced the icon's data
    ZIL_EDIT_END_REFUSED = 2,    // the file cannot be read or holds no icon; the icon keeps its data
};

// Takes the file back: when it holds other bytes than were handed out, and they are an icon with at least
// one image, they replace the icon's data (the caller marks the library modified). A file that is gone,
// cannot be read or holds no such icon is refused with the error "'%s' holds no icon that can be read.
// The icon keeps its images." naming the file.
ZIL_EDIT_END ZsEndIconEdit(CZsIconLib& lib, const ZIL_ICON_EDIT& edit);
