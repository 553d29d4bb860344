// The table of file types read and the texts made of it: the patterns that settings files keep as their
// default, the groups the dialogs offer, the help lines and the MIME lists of the desktop entries.
#include <gtest/gtest.h>

#include <set>
#include <sstream>

#include "common/ZsFileTypes.h"
#include "common/ZsSettings.h"

TEST(ZsFileTypes, PatternsKeepTheStoredDefaultAndGroupByKind) {
    // The folder import's default as config.ini files have always held it: adding a type appends it.
    EXPECT_STREQ(
        ZS_IMPORT_PATTERNS,
        "*.ico;*.icl;*.exe;*.dll;*.png;*.bmp;*.jpg;*.gif;*.exif;*.tiff;*.webp;*.svg;*.icns;*.cur;*.ani");
    EXPECT_EQ(ZsFileTypePatterns(), ZS_IMPORT_PATTERNS);
    EXPECT_EQ(ZS_OPT_IMP_EXTS.Default(), ZS_IMPORT_PATTERNS);
    EXPECT_EQ(ZsFileTypePatterns(ZS_KIND_BIT(ZI_SOURCE_MODULE)), "*.icl;*.exe;*.dll");
    EXPECT_EQ(ZsFileTypePatterns(ZS_KIND_BIT(ZI_SOURCE_ICNS) | ZS_KIND_BIT(ZI_SOURCE_CURSOR)),
              "*.icns;*.cur;*.ani");
    EXPECT_EQ(ZsFileTypePatterns(0), "");
}

TEST(ZsFileTypes, ExtensionsAreFoundInAnyCaseAndExactly) {
    ASSERT_NE(ZsFindFileType("SVG"), nullptr);
    EXPECT_EQ(ZsFindFileType("SVG")->nKind, ZI_SOURCE_PICTURE);
    EXPECT_EQ(ZsFindFileType("Ani")->nKind, ZI_SOURCE_CURSOR);
    for (const char* pszExt : {"", "jpeg", "tif", "pctv", "ico.", ".ico"}) {
        EXPECT_EQ(ZsFindFileType(pszExt), nullptr) << pszExt;
    }
    std::set<std::string> exts;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        EXPECT_TRUE(exts.insert(type.pszExt).second) << type.pszExt;
        EXPECT_EQ(ZsFindFileType(type.pszExt), &type);
    }
}

TEST(ZsFileTypes, HelpLinesAreLinedUpAndMimeListsEndEachType) {
    std::istringstream help(ZsFileTypeHelp());
    std::string line;
    size_t nLines = 0;
    while (std::getline(help, line)) {
        ASSERT_GT(line.size(), 10u);
        EXPECT_EQ(line.substr(0, 3), "  .");
        // Every description starts in the same column, two blanks after the longest extension.
        EXPECT_EQ(line[8], ' ') << line;
        EXPECT_NE(line[9], ' ') << line;
        ++nLines;
    }
    EXPECT_EQ(nLines, std::size(ZS_FILE_TYPES));
    EXPECT_EQ(ZsFileTypeHelp(true).find(".png"), std::string::npos);
    EXPECT_NE(ZsFileTypeHelp(true).find("  .cur   cursor\n"), std::string::npos);

    const std::string sThumbnailed = ZsFileTypeMimeList(ZS_MIME_THUMBNAIL);
    EXPECT_EQ(sThumbnailed.rfind("application/x-pictavo-library;image/vnd.microsoft.icon;image/x-icon;", 0),
              0u);
    EXPECT_EQ(sThumbnailed.back(), ';');
    EXPECT_EQ(sThumbnailed.find("image/png"), std::string::npos);
    const std::string sOpen = ZsFileTypeMimeList(ZS_MIME_OPEN);
    EXPECT_EQ(sOpen.rfind("application/x-pictavo-library;", 0), 0u);
    EXPECT_NE(sOpen.find(";image/svg+xml;"), std::string::npos);
    EXPECT_EQ(sOpen.find("image/png"), std::string::npos);
    const std::string sImport = ZsFileTypeMimeList(ZS_MIME_IMPORT);
    EXPECT_EQ(sImport.rfind("application/x-ms-dos-executable;", 0), 0u);
    EXPECT_NE(sImport.find(";image/png;"), std::string::npos);
    EXPECT_EQ(sImport.find("pictavo"), std::string::npos);
    EXPECT_EQ((sOpen + sImport).find(";;"), std::string::npos);
}
