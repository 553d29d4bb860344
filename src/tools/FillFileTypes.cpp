// Writes a desktop file or help page from its template with the table of file types read filled in, so that
// the desktop entries, the thumbnailer entry and the help pages name exactly the types the programs read:
//   pictavo-fill-types TEMPLATE OUT
// In the template, @PICTAVO_MIME_TYPES@ becomes the MIME types the program's entry offers it for (the
// library's first), @PICTAVO_IMPORT_MIME_TYPES@ those only the entry "Import into Pictavo" names,
// @PICTAVO_THUMBNAIL_MIME_TYPES@ those the thumbnailer shows, @PICTAVO_MEDIATYPES_XML@ the AppStream
// "<mediatype>" lines of the library's and each offered type's own name, and @PICTAVO_FILE_TYPES_HTML@ the
// rows of an HTML table of extensions and descriptions.
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "common/ZsFileTypes.h"

namespace {

std::string HtmlRows() {
    std::string rows;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        rows += std::string("<tr><td><code>.") + type.pszExt + "</code></td><td>" + type.pszDescription +
                "</td></tr>\n";
    }
    return rows;
}

std::string MediaTypes() {
    std::string lines = std::string("    <mediatype>") + ZS_LIBRARY_MIME_TYPE + "</mediatype>\n";
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        const std::string_view names = type.pszMimeTypes;
        if (!names.empty() && type.nOffer == ZS_OFFER_OPEN) {
            lines += "    <mediatype>" + std::string(names.substr(0, names.find(';'))) + "</mediatype>\n";
        }
    }
    return lines;
}

void ReplaceAll(std::string& text, const std::string& sKey, const std::string& sValue) {
    for (size_t at = text.find(sKey); at != std::string::npos; at = text.find(sKey, at + sValue.size())) {
        text.replace(at, sKey.size(), sValue);
    }
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: pictavo-fill-types TEMPLATE OUT\n");
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    if (!in.is_open()) {
        std::fprintf(stderr, "pictavo-fill-types: cannot read '%s'.\n", argv[1]);
        return 1;
    }
    std::stringstream buffer;
    buffer << in.rdbuf();
    std::string text = buffer.str();
    ReplaceAll(text, "@PICTAVO_MIME_TYPES@", ZsFileTypeMimeList(ZS_MIME_OPEN));
    ReplaceAll(text, "@PICTAVO_IMPORT_MIME_TYPES@", ZsFileTypeMimeList(ZS_MIME_IMPORT));
    ReplaceAll(text, "@PICTAVO_THUMBNAIL_MIME_TYPES@", ZsFileTypeMimeList(ZS_MIME_THUMBNAIL));
    ReplaceAll(text, "@PICTAVO_MEDIATYPES_XML@", MediaTypes());
    ReplaceAll(text, "@PICTAVO_FILE_TYPES_HTML@", HtmlRows());
    if (text.find("@PICTAVO_") != std::string::npos) {
        std::fprintf(stderr, "pictavo-fill-types: '%s' names a table this tool does not know.\n", argv[1]);
        return 1;
    }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out << text;
    out.close();
    if (!out) {
        std::fprintf(stderr, "pictavo-fill-types: cannot write '%s'.\n", argv[2]);
        return 1;
    }
    return 0;
}
