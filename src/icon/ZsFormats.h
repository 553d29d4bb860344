// Format conversion: the vocabulary of standard formats and presets, the list of desired formats the format
// chooser builds (sorted, without duplicates, stored packed), and the three ways the program applies such a
// list to icons (new formats, delete formats, export with custom formats).
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ZsConfig.h"
#include "icon/ZsIcon.h"

// A standard format: one of ten square sizes in one of five depths, with its one-bit key: bit 12 * d + s,
// d the depth index (1, 4, 8, 24, 32 bits) and s the size index (16 ... 256).
struct ZI_STD_FORMAT {
    uint64_t nKey = 0;
    ZI_FORMAT format;
};

// The 50 standard formats, ordered by depth ascending, then size ascending.
std::span<const ZI_STD_FORMAT> ZI_GetStandardFormats();
// The format of a key; (0, 0, 0) for a key that is not one standard format.
ZI_FORMAT ZI_GetStandardFormat(uint64_t nKey);
// The key of a standard format; 0 for any other format.
uint64_t ZI_GetStandardKey(const ZI_FORMAT& format);
// The label of a standard-format key; empty for an unknown key.
std::string ZI_GetFormatName(uint64_t nKey);
// The formats of a mask, walking its bits from 63 down to 0 (32-bit 256 x 256 first, 1-bit 16 x 16 last).
std::vector<ZI_FORMAT> ZI_GetMaskFormats(uint64_t nMask);

// A preset: a name and a mask of standard formats; a mask of 0 marks a group heading.
struct ZI_PRESET {
    const char* pszName;
    uint64_t nMask;
};
// The 27 rows of the preset table, headings included, in the order shown.
std::span<const ZI_PRESET> ZI_GetPresets();
// The preset (not a heading) of that name, compared without regard to case; nullptr when there is none.
const ZI_PRESET* ZI_FindPreset(std::string_view name);

// Custom formats must be packable and drawable: width and height 1..8191, a depth of 1, 4, 8, 24 or 32 bits.
bool ZI_IsValidCustomFormat(const ZI_FORMAT& format);

// The desired-format list: sorted by bit count descending, then width x height descending, no duplicates.
// Inserts before the first item of a smaller depth or of the same depth and a smaller area; false (list
// unchanged) when the format is there already or is not a valid custom format.
bool ZI_InsertDesiredFormat(std::vector<ZI_FORMAT>& list, const ZI_FORMAT& format);
// Inserts every format of a mask, bits from 63 down; the number inserted.
int ZI_InsertDesiredFormats(std::vector<ZI_FORMAT>& list, uint64_t nMask);
// The stored form: packed formats in decimal joined by ";" ("25168928;8389633").
std::string ZI_PackFormatList(std::span<const ZI_FORMAT> list);
// The list back from its stored form, re-inserted format by format; unreadable fields are skipped.
std::vector<ZI_FORMAT> ZI_UnpackFormatList(std::string_view text);
// The desired list a format chooser stored under its section (ZS_SEC_NEW_FMTS, ZS_SEC_DEL_FMTS,
// ZS_SEC_ICON_EXP, ZS_SEC_IMG_EXP), re-inserted format by format; and storing one there.
std::vector<ZI_FORMAT> ZI_ReadDesiredFormats(const char* pszSection, const CZsMemIni& ini = ZsGetConfig());
void ZI_WriteDesiredFormats(const char* pszSection, std::span<const ZI_FORMAT> list,
                            CZsMemIni& ini = ZsGetConfig());
// Sets the process's PNG minimum size (ZI_SetPngMinSize) from the options: the side stored there while
// "store generated images PNG-compressed" is on, else 0.
void ZI_ApplyPngOption(const CZsMemIni& ini = ZsGetConfig());
// A list written by a person: items separated by ",", each a format label such as "48x48-XP" or
// "32x32 - 256" (depth names Mono, 16, 256, 16M, XP, in any case) or the name of a preset. False with a
// sentence in *pError for an item that is neither.
bool ZI_ParseFormatList(std::string_view text, std::vector<ZI_FORMAT>& list, std::string* pError);

// The standard formats, in table order, that the list does not hold.
std::vector<ZI_FORMAT> ZI_GetMissingStandardFormats(std::span<const ZI_FORMAT> list);

// New formats for one icon: each desired format not yet present is added, made from the colour bitmap of
// image nSourceImage, or blank and transparent when nSourceImage is -1 or the icon has no images. The index
// each added image got, in the order added, goes to *pAdded. Returns the number added.
int ZI_NewFormats(CIcon& icon, std::span<const ZI_FORMAT> desired, int nSourceImage,
                  std::vector<int>* pAdded);

// Deleting formats from an icon is CIcon::RemoveFormats (desired, except, keep-largest) as it is.

// The formats an exported icon is made to hold when formats are generated: the desired list, or with bExcept
// every standard format not in it.
std::vector<ZI_FORMAT> ZI_GetExportTargetFormats(std::span<const ZI_FORMAT> desired, bool bExcept);
// Applies the custom formats of an export to one icon: with bGenerate, SetFormats of the target list (missing
// formats made from image 0, the others removed); without, RemoveFormats (desired, !bExcept, false), which
// may leave the icon empty.
void ZI_ApplyExportFormats(CIcon& icon, std::span<const ZI_FORMAT> desired, bool bExcept, bool bGenerate);
