// Picture files: decoding by content (PNG, BMP, JPEG, GIF's first frame, TIFF, still WebP, SVG drawn at
// their own size; ".exif" files are JPEG or TIFF inside), encoding into the six picture types, and icons made
// of pictures and of the tiles cut from them. JPEG and TIFF pictures come out upright: their EXIF or TIFF
// orientation is applied. Every decoder reads untrusted bytes: it never reads past them, refuses pictures
// larger than the limits of ZsCheckPictureSize before allocating for them, and answers damaged input with a
// null bitmap and a sentence saying why.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"
#include "icon/ZsIcon.h"

// Picture types by index, as the exports number them: 0 BMP, 1 JPEG, 2 GIF, 3 TIFF, 4 PNG. The export type
// index continues with 5 icon file, 6 classic icon library, 7 Apple icon file and 8 icon theme folder; WebP
// came later and is picture type 9, so that the stored numbers of the others keep their meaning.
enum { ZS_PIC_BMP = 0, ZS_PIC_JPEG = 1, ZS_PIC_GIF = 2, ZS_PIC_TIFF = 3, ZS_PIC_PNG = 4, ZS_PIC_COUNT = 5 };
enum {
    ZS_EXPORT_ICO = 5,
    ZS_EXPORT_ICL = 6,
    ZS_EXPORT_ICNS = 7,
    ZS_EXPORT_THEME = 8,
    ZS_PIC_WEBP = 9,
    ZS_EXPORT_COUNT = 10
};
// Every picture type in the order lists show them.
inline constexpr int ZS_PICTURE_TYPES[] = {ZS_PIC_BMP,  ZS_PIC_JPEG, ZS_PIC_GIF,
                                           ZS_PIC_TIFF, ZS_PIC_PNG,  ZS_PIC_WEBP};
// True for the index of a picture type (not an icon file, library or theme).
bool ZsIsPictureType(int nTypeIndex);

// "image/bmp", "image/jpeg", "image/gif", "image/tiff", "image/png", "image/webp" for a picture type;
// nullptr for any other index.
const char* ZsGetPictureMimeType(int nTypeIndex);
// "bmp", "jpg", "gif", "tif", "png", "ico", "icl", "icns", "theme", "webp" for the export type index 0..9
// (the theme's is the name of the type, not of a file); nullptr otherwise.
const char* ZsGetExportExt(int nTypeIndex);
// The name the export dialogs show for the export type index 0..9: "Microsoft Bitmap (*.bmp)", "JPEG
// (*.jpg)", "CompuServe GIF (*.gif)", "Tag Image File Format (*.tif)", "Portable Network Graphic (*.png)",
// "Windows Icon", "Win32 Icon Library", "Apple Icon (*.icns)", "Icon Theme Folder (hicolor)", "WebP
// (*.webp)"; nullptr otherwise.
const char* ZsGetExportTypeName(int nTypeIndex);

// An in-memory byte stream that owns its block: built from a copy of bytes (for reading) or empty (growing as
// it is written). The codecs read from and write to it.
class CZsStream {
public:
    CZsStream() = default;
    explicit CZsStream(ZsBytes bytes) : mBlock(bytes.begin(), bytes.end()) {}

    // Copies up to n bytes from the current position; the number copied.
    size_t Read(void* pOut, size_t n);
    // Writes at the current position, growing the block (a gap after a seek past the end is zero-filled);
    // false, and nothing written, when the block would pass 4 GiB.
    bool Write(const void* pIn, size_t n);
    // Moves like fseek (SEEK_SET, SEEK_CUR, SEEK_END); false, and the position unchanged, for a position
    // before the start or beyond what a block can hold.
    bool Seek(int64_t nOffset, int nWhence);
    uint64_t Tell() const { return mnPos; }
    uint64_t Size() const { return mBlock.size(); }
    const ZsBlock& Block() const { return mBlock; }
    ZsBlock Take() { return std::move(mBlock); }

private:
    ZsBlock mBlock;
    uint64_t mnPos = 0;
};

// Decodes a picture by its content. A null bitmap and a sentence in *pError when it cannot.
CZsBitmap ZsDecodePicture(ZsBytes bytes, std::string* pError = nullptr);
CZsBitmap ZsLoadPicture(const std::filesystem::path& path, std::string* pError = nullptr);
// The PNG decoder alone (icon images may be PNG): any colour type and depth becomes 8-bit ARGB.
CZsBitmap ZsDecodePng(ZsBytes bytes, std::string* pError = nullptr);
// WebP: a still picture, lossy or lossless, with or without alpha; an animated one is refused.
CZsBitmap ZsDecodeWebp(ZsBytes bytes, std::string* pError = nullptr);
// Lossless WebP that keeps every pixel exactly, the colour under transparent pixels too; empty for a null
// bitmap or one of more than 16383 pixels on a side.
ZsBlock ZsEncodeWebp(const CZsBitmap& bitmap);

// The EXIF orientation (1..8) a JPEG's "Exif" APP1 segment gives, or 1 when it has none that can be read.
int ZsGetJpegOrientation(ZsBytes jpeg);
// The picture as it is meant to be seen, for an EXIF/TIFF orientation of 2..8 (mirrored, rotated by 180,
// flipped, transposed, turned clockwise, transversed, turned counter-clockwise); 1 and any other value leave
// it as it is. Orientations 5 to 8 swap width and height.
CZsBitmap ZsOrientBitmap(CZsBitmap bitmap, int nOrientation);

// The picture type index of the encoder for a MIME type (exact, case-sensitive match), or -1.
int ZsFindEncoder(std::string_view mime);
// Encodes a bitmap as a picture of a picture type. PNG, TIFF and WebP keep alpha, BMP is written at 32 bits
// with an alpha mask, GIF keeps pixels of alpha below 128 as its transparent colour, JPEG drops alpha. Empty
// for a null bitmap or another index.
ZsBlock ZsEncodePicture(const CZsBitmap& bitmap, int nTypeIndex);
// Encodes and writes the file (an existing file is replaced); true when every byte was written. Every bitmap
// of the core holds 32-bit pixels, so only a null bitmap or a bad index is refused.
bool ZsSaveBitmapFile(const CZsBitmap& bitmap, const std::filesystem::path& path, int nTypeIndex);

// How a picture becomes an icon: 0 "Enlarge to standard icon format", 1 "Shrink to standard icon format",
// 2 "Keep original size".
enum { ZI_SIZING_ENLARGE = 0, ZI_SIZING_SHRINK = 1, ZI_SIZING_KEEP = 2 };
// The standard icon sizes, largest first.
inline constexpr int ZI_STANDARD_SIZES[10] = {256, 128, 96, 80, 72, 64, 48, 32, 24, 16};

// The canvas of a pw x ph picture in a sizing mode: S x S with S the smallest standard size holding the
// picture (mode 0) or the largest one it covers (mode 1), clamped to 16..256; the picture's own size in
// mode 2.
void ZI_GetPictureCanvas(int nPictureWidth, int nPictureHeight, int nSizingMode, int& nWidth, int& nHeight);

// A one-image ICO block of the picture: a 32-bit DIB of the canvas size, the picture scaled down to fit
// (never enlarged) and centred, its transparency in the alpha channel and an AND mask made from it (set
// exactly where alpha is 0), or PNG-compressed when ZI_IsPngFormat says so for the canvas. Empty for a null
// picture.
ZsBlock ZI_PictureToIcon(const CZsBitmap& picture, int nSizingMode);
// The same from a picture file; empty (an error line written, the reason in *pError) when it cannot be
// decoded. An SVG drawing is rendered at each size instead (ZI_SvgToIcon), whatever the sizing mode. With
// formats the icon holds exactly those: a drawing draws each one, a picture's are made from its one image.
ZsBlock ZI_LoadPictureIcon(const std::filesystem::path& path, int nSizingMode, std::string* pError = nullptr,
                           std::span<const ZI_FORMAT> formats = {});
// The same as an Apple icon file (ZI_IconToIcns): a drawing has every side the file holds drawn at its own
// size (ZI_SvgToIcns), any other picture is made an icon as above and its missing sides made from its
// largest image.
ZsBlock ZI_LoadPictureIcns(const std::filesystem::path& path, int nSizingMode, std::string* pError = nullptr,
                           std::span<const ZI_FORMAT> formats = {});

// Cuts a picture into tiles, row by row from the top, and appends one icon block per tile. A tile width of
// n >= 1 is n pixels (at most the picture's width), 0 the whole width, -n a number of columns; heights
// likewise. Tiles at the right and bottom edges keep their uncovered part transparent. Returns the number of
// blocks appended (0 for a null picture or more than ZI_MAX_TILES tiles).
inline constexpr int64_t ZI_MAX_TILES = 65536;
int ZI_SplitBitmap(const CZsBitmap& picture, std::vector<ZsBlock>& blocks, int nTileWidth, int nTileHeight,
                   int nSizingMode);
int ZI_SplitPicture(const std::filesystem::path& path, std::vector<ZsBlock>& blocks, int nTileWidth,
                    int nTileHeight, int nSizingMode, std::string* pError = nullptr);
