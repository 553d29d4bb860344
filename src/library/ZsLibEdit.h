// Edits of whole icons that the icon list's commands run on the selected rows of one category: merging
// pairs of icons, deleting icons, deleting image formats and adding new ones, and compacting the file; and
// the edits of the format list on the images of one icon.
//
// Rows are 0-based positions in the category's list as it is when the operation starts; rows outside the
// list and repeated rows are ignored. The batches talk through the progress protocol (ZsProgress.h) and ask
// their questions through the message handler (ZsLog.h); every change goes to the store's records at once
// and reaches the file at the next save. An aborted batch keeps what it did before the abort.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "icon/ZsIcon.h"
#include "library/ZsIconLib.h"
#include "library/ZsLibCmd.h"

enum ZIL_EDIT_STATUS {
    ZIL_EDIT_DONE = 0,      // the batch ran to its end
    ZIL_EDIT_DECLINED = 1,  // the question was not answered with OK (or a button that acts); nothing changed
    ZIL_EDIT_ABORTED = 2,   // the user stopped the batch; what was done before stays
};

struct ZIL_EDIT_RESULT {
    ZIL_EDIT_STATUS nStatus = ZIL_EDIT_DONE;
    int nChanged = 0;  // icons merged into, or given fewer or more images
    int nDeleted = 0;  // icons that left the library
    std::vector<int32_t>
        failed;             // icons whose data could not be read or written; they were left as they were
    int nCaret = -1;        // the row the list's caret goes to, clamped to the list (-1: empty list)
    std::vector<int> rows;  // Merge: the rows the list selects afterwards
};

// Whether the chosen rows can be merged: an even number of icons, at least two (rows counted once each).
ZIL_CHECK ZsCheckMergeIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows);
// The same rule for a count of distinct rows of the list, for callers that already count them (a selection).
ZIL_CHECK ZsCheckMergeCount(size_t nRows);

// Merge: asks "Are you sure you want to merge the selected icons?"; then, with the selected rows S in
// ascending order and P = n div 2 pairs, the icon of row S[i] absorbs every image of the icon of row
// S[i + P], which leaves the library. The caret goes to S[0]; the rows S[0] ... S[P - 1] of the icons
// that absorbed the others, above every row that went, are selected. A pair whose icons cannot both be read,
// or whose merged icon could not be stored (more than 65535 images), is left as it was and counted in failed.
ZIL_EDIT_RESULT ZsMergeIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows);

// Delete: asks whether to remove the icons from the category or delete them from the library ("My Icons"
// offers only deleting), then does it. The caret goes to nCaret, clamped to the list.
ZIL_EDIT_RESULT ZsDeleteIcons(CZsIconLib& lib, int32_t nNode, std::vector<int> rows, int nCaret);

// Delete formats: from the last selected row up to the first, RemoveFormats(formats, bExcept,
// bKeepLargest); an icon that loses every image is deleted from the library.
ZIL_EDIT_RESULT ZsDeleteFormats(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                                std::span<const ZI_FORMAT> formats, bool bExcept, bool bKeepLargest);

// New formats: from the first selected row down to the last, each desired format an icon lacks is made
// from its largest image (blank and transparent for an icon without images).
ZIL_EDIT_RESULT ZsAddFormats(CZsIconLib& lib, int32_t nNode, std::vector<int> rows,
                             std::span<const ZI_FORMAT> formats);

// The format list's Delete and Cut: the images at the given indexes (in the icon's image order; indexes
// outside it and repeated ones are ignored) leave icon nId, which is stored at once. An icon left without
// images stays in the library, unlike after Delete Formats. nChanged is 1 when images went; nCaret is the
// image row the caret goes to, nCaret clamped to the images left. An icon whose data cannot be read is left
// as it is and named in failed.
ZIL_EDIT_RESULT ZsDeleteImages(CZsIconLib& lib, int32_t nId, std::vector<int> images, int nCaret);

// The format list's Paste: the picture replaces the pixels of image nImage of icon nId, fitted to that
// image's format (scaled to its size and reduced to its depth), and the icon is stored. False, with nothing
// changed, for an empty picture, an index outside the icon or data that cannot be read.
bool ZsPasteImage(CZsIconLib& lib, int32_t nId, int nImage, const CZsBitmap& picture);
