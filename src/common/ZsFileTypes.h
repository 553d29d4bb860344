// The files icons are read from, in one table: the import filters and patterns, the file lists of the help
// texts and help pages, the desktop entry, the thumbnailer entry and the thumbnailer all come from it, so
// that a type added here is offered everywhere at once. A file's type is its extension, compared in lower
// case; what is inside is still checked by the reader of that kind.
#pragma once

#include <cstddef>
#include <span>
#include <string>
#include <string_view>

enum ZI_SOURCE_KIND {
    ZI_SOURCE_NONE = 0,     // a file icons are not read from
    ZI_SOURCE_ICO = 1,      // an icon file
    ZI_SOURCE_PICTURE = 2,  // a picture or drawing: one icon, or one per tile
    ZI_SOURCE_MODULE = 3,   // a classic icon library, program or DLL: one icon per icon group
    ZI_SOURCE_ICNS = 4,     // an Apple icon file
    ZI_SOURCE_CURSOR = 5,   // a cursor, or an animated cursor: one icon per frame
};

// How the desktop offers Pictavo for files of a type.
enum ZS_DESKTOP_OFFER {
    // The program's own entry names the type: Pictavo is among the programs that open it, and may be the
    // one a double click starts.
    ZS_OFFER_OPEN = 0,
    // Only the hidden entry "Import into Pictavo" names it: programs and photos have programs of their own
    // to open them, and Pictavo must not become theirs by being installed.
    ZS_OFFER_IMPORT = 1,
};

struct ZS_FILE_TYPE {
    const char* pszExt;          // lower case, without the dot
    const char* pszDescription;  // what the help texts call a file of the type
    // The desktop's names of the type, ";"-separated, its own name first; empty where it has none that
    // names this type alone (".exif" has none, and the desktop's type of ".dll" is every shared library's).
    const char* pszMimeTypes;
    ZI_SOURCE_KIND nKind;
    bool bThumbnail;  // the thumbnailer shows files of the type
    ZS_DESKTOP_OFFER nOffer;
};

// In the order every list shows them.
inline constexpr ZS_FILE_TYPE ZS_FILE_TYPES[] = {
    {"ico", "icon file", "image/vnd.microsoft.icon;image/x-icon", ZI_SOURCE_ICO, true, ZS_OFFER_OPEN},
    {"icl", "classic icon library (NE or PE)", "application/x-icon-library", ZI_SOURCE_MODULE, true,
     ZS_OFFER_OPEN},
    {"exe", "program", "application/x-ms-dos-executable;application/vnd.microsoft.portable-executable",
     ZI_SOURCE_MODULE, true, ZS_OFFER_IMPORT},
    {"dll", "DLL", "application/x-msdownload", ZI_SOURCE_MODULE, true, ZS_OFFER_IMPORT},
    {"png", "PNG picture", "image/png", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"bmp", "BMP picture", "image/bmp", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"jpg", "JPEG picture", "image/jpeg", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"gif", "GIF picture (its first frame)", "image/gif", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"exif", "EXIF picture (JPEG or TIFF)", "", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"tiff", "TIFF picture", "image/tiff", ZI_SOURCE_PICTURE, false, ZS_OFFER_IMPORT},
    {"webp", "WebP picture (still)", "image/webp", ZI_SOURCE_PICTURE, false, ZS_OFFER_OPEN},
    {"svg", "SVG drawing (drawn at every size)", "image/svg+xml", ZI_SOURCE_PICTURE, false, ZS_OFFER_OPEN},
    {"icns", "Apple icon file", "image/x-icns", ZI_SOURCE_ICNS, true, ZS_OFFER_OPEN},
    {"cur", "cursor", "image/x-win-bitmap", ZI_SOURCE_CURSOR, true, ZS_OFFER_OPEN},
    {"ani", "animated cursor (one icon per frame)", "application/x-navi-animation", ZI_SOURCE_CURSOR, true,
     ZS_OFFER_OPEN},
};

// The type of the extended icon library (".pctv"), the program's own document; not a file icons are
// imported from.
inline constexpr const char* ZS_LIBRARY_MIME_TYPE = "application/x-pictavo-library";

// A set of kinds, one bit (1 << kind) each.
inline constexpr unsigned ZS_KIND_BIT(ZI_SOURCE_KIND nKind) {
    return 1u << nKind;
}
inline constexpr unsigned ZS_ALL_KINDS = ~0u;

namespace zs_file_types {

constexpr size_t PatternsSize() {
    size_t n = 0;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        n += std::char_traits<char>::length(type.pszExt) + 3;  // "*." and ";" (the last one's is the NUL)
    }
    return n;
}

template <size_t N>
struct CText {
    char sz[N] = {};
};

constexpr CText<PatternsSize()> MakePatterns() {
    CText<PatternsSize()> text;
    size_t n = 0;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        if (n > 0) {
            text.sz[n++] = ';';
        }
        text.sz[n++] = '*';
        text.sz[n++] = '.';
        for (const char* p = type.pszExt; *p; ++p) {
            text.sz[n++] = *p;
        }
    }
    return text;
}

inline constexpr CText<PatternsSize()> kAllPatterns = MakePatterns();

}  // namespace zs_file_types

// "*.ico;*.icl;...": every type of the table, as the folder import, drops and the command-line import match
// files (ZsMatchWildcards).
inline constexpr const char* ZS_IMPORT_PATTERNS = zs_file_types::kAllPatterns.sz;

// The type of an extension (without the dot, in any case), or nullptr for one icons are not read from.
const ZS_FILE_TYPE* ZsFindFileType(std::string_view sExt);

// The patterns "*.a;*.b" of the types of the kinds given.
std::string ZsFileTypePatterns(unsigned nKinds = ZS_ALL_KINDS);
// A help text's section of every type (only of those the thumbnailer shows, with bThumbnailOnly):
// "  .ico    icon file" lines, the descriptions lined up, each line ended by "\n".
std::string ZsFileTypeHelp(bool bThumbnailOnly = false);
// The MIME lists of the desktop files.
enum ZS_MIME_LIST {
    ZS_MIME_THUMBNAIL,  // the thumbnailer entry: the library's and the types the thumbnailer shows
    ZS_MIME_OPEN,       // the program's entry: the library's and the types offered with ZS_OFFER_OPEN
    ZS_MIME_IMPORT,     // the entry "Import into Pictavo": the types offered with ZS_OFFER_IMPORT
};
// The MIME types of a list, each ";"-ended as desktop entries write them (the library's first where the
// list holds it): every name of every type in the list.
std::string ZsFileTypeMimeList(ZS_MIME_LIST nList);
