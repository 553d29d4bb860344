// The ICO data block, the unit in which icons are stored, read, transferred and written, and CIcon, an icon
// unpacked for editing: an ordered list of image records that can be queried, extended, pruned and packed.
//
// A block is untrusted: the functions here read only directory entries that lie inside the block and images
// whose whole data lies inside it, as long as the images read so far hold no more bytes than the block (the
// images of a sound block do not overlap). Any other entry is skipped as if it were not there, consistently:
// it is not counted, not summarised, not chosen and not unpacked.
#pragma once

#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

#include "common/ZsBase.h"
#include "icon/ZsBitmap.h"

// The theme folder icon themes install their application icons into, and the name of its index file.
inline constexpr const char* ZI_THEME_FOLDER = "hicolor";
inline constexpr const char* ZI_THEME_INDEX = "index.theme";
// Writes "<themeDir>/index.theme" naming every "<N>x<N>/apps" folder found in themeDir as a fixed-size
// folder of application icons, smallest first, so that icons exported into the same folder at different
// times are all listed. False when it cannot be written.
bool ZI_WriteThemeIndex(const std::filesystem::path& themeDir);

// An image format: width, height and bit count.
struct ZI_FORMAT {
    int32_t nWidth = 0;
    int32_t nHeight = 0;
    int32_t nBitCount = 0;
    bool operator==(const ZI_FORMAT&) const = default;
};

// A format in one integer: (width << 19) | (height << 6) | bit count.
uint32_t ZI_PackFormat(const ZI_FORMAT& format);
ZI_FORMAT ZI_UnpackFormat(uint32_t nPacked);

// "%dx%d - XP" and its siblings ("Mono", "16", "256", "16M", else "%dB" with the bit count).
std::string ZI_GetFormatName(int nWidth, int nHeight, int nBitCount);
std::string ZI_GetFormatName(const ZI_FORMAT& format);

inline constexpr uint8_t ZI_PNG_SIGNATURE[8] = {0x89, 0x50, 0x4E, 0x47, 0x0D, 0x0A, 0x1A, 0x0A};
// True when the image data begins with the PNG signature.
bool ZI_IsPng(ZsBytes image);

// The format rule: the directory's width and height, taken from the image data only when one of them is 0
// (BITMAPINFOHEADER width and half height, or the PNG IHDR size); the bit count always from the directory.
ZI_FORMAT ZI_GetImageFormat(uint8_t bWidth, uint8_t bHeight, uint16_t wBitCount, ZsBytes image);

// Byte length of an uncompressed DIB image (header, colour table, colour bits, AND mask); 0 for a format
// that cannot be an image (no pixels, or larger than any icon could hold).
uint32_t ZI_GetDibSize(int nWidth, int nHeight, int nBitCount);

// An image record: the first 12 bytes of a directory entry and the image's own data, which it owns.
struct ZI_IMAGE {
    uint8_t bWidth = 0;
    uint8_t bHeight = 0;
    uint8_t bColorCount = 0;
    uint8_t bReserved = 0;
    uint16_t wPlanes = 1;
    uint16_t wBitCount = 0;
    uint32_t dwBytesInRes = 0;
    ZsBlock data;

    ZI_FORMAT Format() const { return ZI_GetImageFormat(bWidth, bHeight, wBitCount, data); }
    bool IsPng() const { return ZI_IsPng(data); }
};

// A readable directory entry of a block: its header, where its data lies, and the data itself.
struct ZI_ENTRY {
    uint8_t bWidth = 0;
    uint8_t bHeight = 0;
    uint8_t bColorCount = 0;
    uint8_t bReserved = 0;
    uint16_t wPlanes = 0;
    uint16_t wBitCount = 0;
    uint32_t dwBytesInRes = 0;
    uint32_t dwImageOffset = 0;
    ZsBytes image;

    ZI_FORMAT Format() const { return ZI_GetImageFormat(bWidth, bHeight, wBitCount, image); }
};

// The readable entries of a block in directory order (empty for a block that is not a valid icon).
std::vector<ZI_ENTRY> ZI_GetEntries(ZsBytes data);

// Summary of a block.
struct ZI_INFO {
    int32_t dwSize = 0;
    int32_t nImages = 0;
    int32_t nXPImages = 0;
    int32_t nMaxWidth = 0;
    int32_t nMinWidth = 2147483647;
    int32_t nMaxBitCount = 0;
    int32_t nMinBitCount = 2147483647;
};

// True when the block has at least 6 bytes, idReserved 0 and idType 1.
bool ZI_IsValidIcon(ZsBytes data);
// The number of readable images.
int ZI_GetImageCount(ZsBytes data);
// The bytes of the directory that the first bytes of a block (at least 6) announce.
size_t ZI_GetDirectorySize(ZsBytes head);
// ZI_GetImageCount of a block of nBlockBytes bytes from its first bytes: head must hold the whole directory
// (ZI_GetDirectorySize bytes) or the whole block.
int ZI_CountImages(ZsBytes head, uint64_t nBlockBytes);
bool ZI_GetIconInfo(ZsBytes data, ZI_INFO* pInfo);

// Chooses the image to display for a requested width, height and bit count: the first entry of exactly that
// format, else the deepest and then largest one. When the chosen image is smaller than the request the size
// becomes its own; the bit count becomes its own. Returns the entry's position among ZI_GetEntries, or -1.
int ZI_ChooseImage(ZsBytes data, int& nWidth, int& nHeight, int& nBitCount);
// The chosen image's pixels at the (possibly changed) width and height: what the program draws for an icon.
// A null bitmap for an icon without images or an image that cannot be decoded.
CZsBitmap ZI_GetIconHandle(ZsBytes data, int& nWidth, int& nHeight, int& nBitCount);

// An icon unpacked for editing. Records are kept in format order: bit count descending, then width + height
// descending; record 0 is the largest image of the greatest depth.
class CIcon {
public:
    CIcon() = default;
    virtual ~CIcon() = default;
    CIcon(const CIcon&) = default;
    CIcon& operator=(const CIcon&) = default;
    CIcon(CIcon&&) noexcept = default;
    CIcon& operator=(CIcon&&) noexcept = default;

    int GetImageCount() const { return static_cast<int>(mImages.size()); }
    const ZI_IMAGE& GetImage(int nImgIdx) const { return mImages[static_cast<size_t>(nImgIdx)]; }
    const std::vector<ZI_IMAGE>& Images() const { return mImages; }

    // Replaces the records with the readable images of a valid block; false (icon unchanged) otherwise.
    bool SetData(ZsBytes data);
    // A new block with all records (-1) or with the one record at nImgIdx; empty on a bad index.
    ZsBlock GetData(int nImgIdx = -1) const;
    // The block of the record nearest in size at or above the request, else of record 0.
    ZsBlock GetDataNearest(int nWidth, int nHeight) const;
    bool HasFormat(const ZI_FORMAT& format) const;
    // Inserts in format order (a record of a format already present goes in front of it); the position.
    int AddImage(ZI_IMAGE image);
    // Adds a record of the format made from the source bitmap (scaled with its aspect kept, reduced to the
    // depth; transparent where its alpha is 0 at 32 bits, on pure black at the other depths), or blank and
    // fully transparent without a source; PNG-compressed when ZI_IsPngFormat says so. -1 when the format is
    // present or impossible.
    int AddFormat(const ZI_FORMAT& format, const CZsBitmap* pSource = nullptr);
    // The number of formats actually added.
    int AddFormats(std::span<const ZI_FORMAT> formats, const CZsBitmap* pSource = nullptr);
    bool RemoveImage(int nImgIdx);
    // Removes the records whose format is (or, with bExcept, is not) listed; with bKeepFirst record 0 stays.
    int RemoveFormats(std::span<const ZI_FORMAT> formats, bool bExcept, bool bKeepFirst);
    // Makes the icon hold exactly the listed formats: the missing ones are generated from the colour bitmap
    // of record 0 (blank when the icon has no images), the unlisted ones removed.
    void SetFormats(std::span<const ZI_FORMAT> formats);

    // The colour bitmap of a record at its own format size (alpha from the image, or from its AND mask);
    // a null bitmap for a bad index or an image that cannot be decoded.
    CZsBitmap GetHBITMAP(int nImgIdx) const;
    // Replaces a record's pixels from the bitmap at the record's format (see ZI_SetImageBitmap).
    bool SetHBITMAP(const CZsBitmap& bitmap, int nImgIdx);

    // Writes the images to files in a folder: types 0..4 one picture per image named "<name>
    // (<label>).<ext>", type 5 one icon file "<name>.ico", or with bPerImage one "<name> (<label>).ico" per
    // image. The name is made safe as a file name. Returns false, with the paths in *pFailed, when any file
    // could not be made or written; an unknown type writes nothing and gives false.
    bool ExportImages(const std::string& sName, int nType, const std::filesystem::path& folder,
                      bool bPerImage, std::vector<std::filesystem::path>* pFailed = nullptr) const;
    // The files ExportImages writes, in the order it writes them (an unknown type: none). Images of one
    // label share a file, so a path can come more than once.
    std::vector<std::filesystem::path> ExportPaths(const std::string& sName, int nType,
                                                   const std::filesystem::path& folder, bool bPerImage) const;

    // Writes the icon into an icon theme folder: for each square side the icon has, its deepest image as
    // "<themeDir>/<N>x<N>/apps/<name>.png" (the folders made as needed, the name made safe as a file name).
    // Returns false, with the paths in *pFailed, when any file could not be made or written.
    bool ExportThemeImages(const std::string& sName, const std::filesystem::path& themeDir,
                           std::vector<std::filesystem::path>* pFailed = nullptr) const;

    // A blank record of a format: the DIB header, a zero colour table and colour bits, a full AND mask.
    static ZI_IMAGE NewImage(const ZI_FORMAT& format);

private:
    std::vector<ZI_IMAGE> mImages;
};
