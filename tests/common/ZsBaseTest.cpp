#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <fstream>

#include "TestSupport.h"
#include "common/ZsBase.h"

namespace fs = std::filesystem;

TEST(ZsMakeFileName, RemovesReservedAndControlCharacters) {
    EXPECT_EQ(ZsMakeFileName("  a:b?.  "), "ab");
    EXPECT_EQ(ZsMakeFileName("???"), "Noname");
    EXPECT_EQ(ZsMakeFileName(""), "Noname");
    EXPECT_EQ(ZsMakeFileName("a\\b/c*d\"e<f>g|h"), "abcdefgh");
    EXPECT_EQ(ZsMakeFileName("tab\there\x7F\xC2\x85"), "tabhere");  // C0, DEL and C1 controls
    EXPECT_EQ(ZsMakeFileName("Őrült"), "Őrült");
}

TEST(ZsMakeFileName, KeepsLatin1LettersAndNeverNamesTheFolderOrItsParent) {
    EXPECT_EQ(ZsMakeFileName("Café Noël"), "Café Noël");
    EXPECT_EQ(ZsMakeFileName("..."), "Noname");  // one dot dropped leaves "..", the parent folder
    EXPECT_EQ(ZsMakeFileName(" . "), "Noname");
    EXPECT_EQ(ZsMakeFileName("a.."), "a.");
}

TEST(ZsPath, Pieces) {
    EXPECT_EQ(ZsGetPathFolder("/a/b/c.ico"), "/a/b/");
    EXPECT_EQ(ZsGetPathFolder("c.ico"), "");
    EXPECT_EQ(ZsGetPathTitle("/a/b/c.tar.ico"), "c.tar");
    EXPECT_EQ(ZsGetPathTitle("/a.b/c"), "c");
    EXPECT_EQ(ZsGetPathExt("/a/b/c.ICO"), "ICO");
    EXPECT_EQ(ZsGetPathExt("/a.b/c"), "");
    EXPECT_EQ(ZsWithTrailingSep("/a"), "/a/");
    EXPECT_EQ(ZsWithTrailingSep("/a/"), "/a/");
    EXPECT_EQ(ZsWithTrailingSep(""), "/");
    EXPECT_EQ(ZsGetFolderOf("/a/b/"), "/a");
    EXPECT_EQ(ZsGetFolderOf("/a/b/c.ico"), "/a/b");
    EXPECT_EQ(ZsGetFolderOf("c.ico"), "");
}

TEST(ZsPath, SamePathMeansTheSameFile) {
    test::TempDir dir;
    fs::create_directory(dir / "sub");
    ZsWriteFile(dir / "a.pctv", std::vector<uint8_t>{1});
    ZsWriteFile(dir / "A.pctv", std::vector<uint8_t>{2});
    fs::create_symlink(dir / "a.pctv", dir / "sub" / "link.pctv");
    EXPECT_TRUE(ZsSamePath(dir / "a.pctv", dir / "a.pctv"));
    EXPECT_TRUE(ZsSamePath(dir / "a.pctv", dir / "sub" / ".." / "a.pctv"));
    EXPECT_TRUE(ZsSamePath(dir / "sub" / "link.pctv", dir / "a.pctv"));
    // Names in another letter case are other files here.
    EXPECT_FALSE(ZsSamePath(dir / "a.pctv", dir / "A.pctv"));
    // Files that do not exist yet are compared by their normalised absolute paths.
    EXPECT_TRUE(ZsSamePath(dir / "new.pctv", dir / "sub" / ".." / "." / "new.pctv"));
    EXPECT_FALSE(ZsSamePath(dir / "new.pctv", dir / "New.pctv"));
    EXPECT_FALSE(ZsSamePath(dir / "new.pctv", dir / "a.pctv"));
    const fs::path cwd = fs::current_path();
    fs::current_path(dir.Path());
    EXPECT_TRUE(ZsSamePath("a.pctv", dir / "a.pctv"));
    EXPECT_TRUE(ZsSamePath("sub/../new.pctv", dir / "new.pctv"));
    fs::current_path(cwd);
    EXPECT_FALSE(ZsSamePath("", ""));
    EXPECT_FALSE(ZsSamePath(dir / "a.pctv", ""));
}

TEST(ZsPath, UniquePathsCountFromTwo) {
    test::TempDir dir;
    EXPECT_EQ(ZsUniqueFilePath(dir.Path(), "Icon", "ico"), dir / "Icon.ico");
    std::ofstream(dir / "Icon.ico").put('x');
    std::ofstream(dir / "Icon (2).ico").put('x');
    EXPECT_EQ(ZsUniqueFilePath(dir.Path(), "Icon", "ico"), dir / "Icon (3).ico");
    EXPECT_EQ(ZsUniqueFilePath(dir.Path(), "Icon", ".ico"), dir / "Icon (3).ico");
    EXPECT_EQ(ZsUniqueFilePath(dir / "Icon.ico"), dir / "Icon (3).ico");
    fs::create_directory(dir / "Folder");
    EXPECT_EQ(ZsUniquePath(dir / "Folder"), dir / "Folder (2)");
    EXPECT_EQ(ZsUniquePath(dir / "Other"), dir / "Other");
}

TEST(ZsText, FieldsHexAndSqlQuotes) {
    EXPECT_EQ(ZsGetField("a;b;c", 0), "a");
    EXPECT_EQ(ZsGetField("a;b;c", 2), "c");
    EXPECT_EQ(ZsGetField("a;b", 2), "");
    EXPECT_EQ(ZsGetField("a;b;c;d", 1), "b");
    std::vector<uint8_t> rec(44);
    for (size_t i = 0; i < rec.size(); ++i) {
        rec[i] = static_cast<uint8_t>(i * 7);
    }
    std::string hex = ZsHexEncode(rec);
    EXPECT_EQ(hex.size(), 88u);
    EXPECT_EQ(hex.substr(0, 6), "00070E");
    EXPECT_EQ(ZsHexDecode(hex), rec);
    EXPECT_EQ(ZsHexDecode("0A1"), (std::vector<uint8_t>{0x0A}));
    EXPECT_TRUE(ZsHexDecode("").empty());
    EXPECT_EQ(ZsSqlQuote("it's"), "'it''s'");
}

TEST(ZsWildcard, MatchesLikeTheShell) {
    EXPECT_TRUE(ZsMatchWildcard("abc", "a*c", true));
    EXPECT_FALSE(ZsMatchWildcard("abc", "a?", true));
    EXPECT_TRUE(ZsMatchWildcard("ab", "a?", true));
    EXPECT_TRUE(ZsMatchWildcard("", "*", true));
    EXPECT_FALSE(ZsMatchWildcard("ABC", "a*", true));
    EXPECT_TRUE(ZsMatchWildcard("ÉCOLE.ICO", "école.*", false));
    EXPECT_TRUE(ZsMatchWildcard("aaaaaaaaaaaaaaaaaaaaaaaaaaaaab", "*a*a*a*a*a*a*b", true));
    EXPECT_TRUE(ZsMatchWildcards("PICTURE.ICO", "*.bmp;*.ico"));
    EXPECT_FALSE(ZsMatchWildcards("a.ico", "*.bmp;;*.ico"));  // the list ends at its first empty pattern
    EXPECT_FALSE(ZsMatchWildcards("a.ico", ""));
}

TEST(ZsFindFiles, WalksFoldersBeforeTheirSubfolders) {
    test::TempDir dir;
    fs::create_directories(dir / "b" / "deep");
    fs::create_directories(dir / "a");
    for (const char* f : {"z.ico", "x.txt", "a/1.ico", "b/2.ICO", "b/deep/3.ico"}) {
        std::ofstream(dir / f).put('x');
    }
    std::vector<fs::path> files, dirs;
    EXPECT_EQ(ZsFindFiles(dir.Path(), "*.ico", true, &files, &dirs), 4);
    ASSERT_EQ(files.size(), 4u);
    EXPECT_EQ(files[0], dir / "z.ico");
    EXPECT_EQ(files[1], dir / "a" / "1.ico");
    EXPECT_EQ(files[2], dir / "b" / "2.ICO");
    EXPECT_EQ(files[3], dir / "b" / "deep" / "3.ico");
    EXPECT_EQ(dirs, (std::vector<fs::path>{dir / "a", dir / "b", dir / "b" / "deep"}));

    EXPECT_EQ(ZsFindFiles(dir.Path(), "*.ico", false, nullptr, nullptr), 1);
    EXPECT_EQ(ZsFindFiles(dir / "missing", "*", true, &files, nullptr), 0);
}

TEST(ZsRegex, SearchesWithCaseAndWholeTextOptions) {
    EXPECT_TRUE(ZsRegexSearch("Blue Folder", "fold", true, false));
    EXPECT_FALSE(ZsRegexSearch("Blue Folder", "fold", false, false));
    EXPECT_TRUE(ZsRegexSearch("ÉCOLE", "école", true, false));
    EXPECT_FALSE(ZsRegexSearch("Blue Folder", "Folder", false, true));
    EXPECT_TRUE(ZsRegexSearch("Folder", "Folder|Blue", false, true));
    // The whole-text option applies to every alternative, not just the first and last.
    EXPECT_FALSE(ZsRegexSearch("Folder x", "Folder|Blue", false, true));
    // Escapes keep their meaning when the pattern is folded for case.
    EXPECT_TRUE(ZsRegexSearch("A-B", "A\\WB", true, false));
    std::string error;
    EXPECT_FALSE(ZsRegexSearch("abc", "a(b", false, false, &error));
    EXPECT_FALSE(error.empty());
}

TEST(ZsRegex, EcmaScriptEscapesAndRefusals) {
    // "\uXXXX" (a surrogate pair is one character) and "\cX" mean what they mean in ECMAScript.
    EXPECT_TRUE(ZsRegexSearch("caf\xC3\xA9", "caf\\u00e9$", false, false));
    EXPECT_TRUE(ZsRegexSearch("CAF\xC3\x89", "caf\\u00E9", true, true));
    EXPECT_TRUE(ZsRegexSearch("caf\xC3\xA9", "CAF\\u00C9", true, true));
    EXPECT_FALSE(ZsRegexSearch("caf\xC3\xA9", "CAF\\u00C9", false, false));
    EXPECT_TRUE(
        ZsRegexSearch("a\xF0\x9F\x98\x80"
                      "b",
                      "a\\uD83D\\uDE00b", false, true));
    EXPECT_TRUE(ZsRegexSearch("a\nb", "a\\cJb", false, true));
    EXPECT_TRUE(ZsRegexSearch("a\\u00", "\\\\u00", false, false));
    // Characters written as hex escapes fold for case; the names of classes do not.
    EXPECT_TRUE(ZsRegexSearch("xjy", "\\x{4A}", true, false));
    EXPECT_TRUE(ZsRegexSearch("XJY", "x\\x6Ay", true, true));
    EXPECT_TRUE(ZsRegexSearch("\xCE\xA9mega", "^\\p{Greek}", true, false));
    // What the engine does not offer is refused with its reason, like a malformed pattern.
    for (const char* pszPattern : {"(a)\\1", "a(?=b)", "a(?!b)", "(?<=a)b", "a{1001}"}) {
        std::string error;
        EXPECT_FALSE(ZsRegexSearch("aab", pszPattern, false, false, &error)) << pszPattern;
        EXPECT_FALSE(error.empty()) << pszPattern;
    }
}

TEST(ZsRegex, LongTextsNeitherOverflowNorRunAway) {
    // Texts that a backtracking matcher walks one stack frame per character.
    const std::string sLong(50000, 'a');
    EXPECT_FALSE(ZsRegexSearch(sLong, ".*x", false, false));
    EXPECT_TRUE(ZsRegexSearch(sLong + "x", ".*x", true, false));
    std::string sAb;
    for (int i = 0; i < 20000; ++i) {
        sAb += i % 2 ? 'a' : 'b';
    }
    EXPECT_FALSE(ZsRegexSearch(sAb, "(a|b)*c", false, false));
    EXPECT_TRUE(ZsRegexSearch(sAb + "c", "(a|b)*c", false, true));
    // Exponential backtracking in other matchers.
    EXPECT_FALSE(ZsRegexSearch(std::string(5000, 'a') + "!", "^(a+)+$", false, false));
}

TEST(ZsFiles, ReadWriteTimeAndDeleteTree) {
    test::TempDir dir;
    fs::path file = dir / "f.bin";
    std::vector<uint8_t> bytes{1, 2, 3, 0, 255};
    EXPECT_TRUE(ZsWriteFile(file, bytes));
    EXPECT_EQ(ZsReadFile(file), bytes);
    EXPECT_FALSE(ZsReadFile(dir / "missing").has_value());
    EXPECT_FALSE(ZsReadFile(dir.Path()).has_value());
    EXPECT_FALSE(ZsReadFile(file, 4).has_value());
    EXPECT_GT(ZsGetFileTime(file), 0);
    EXPECT_EQ(ZsGetFileTime(dir / "missing"), 0);
    EXPECT_FALSE(ZsWriteFile(dir / "no" / "such" / "f", bytes));

    EXPECT_TRUE(ZsWriteFileAtomic(file, std::vector<uint8_t>{9}));
    EXPECT_EQ(ZsReadFile(file), std::vector<uint8_t>{9});
    EXPECT_EQ(std::distance(fs::directory_iterator(dir.Path()), fs::directory_iterator()), 1);

    fs::create_directories(dir / "tree" / "sub");
    std::ofstream(dir / "tree" / "sub" / "x").put('x');
    EXPECT_TRUE(ZsDeleteTree((dir / "tree").string() + "/"));
    EXPECT_FALSE(fs::exists(dir / "tree"));
    EXPECT_FALSE(ZsDeleteTree(dir / "tree"));
}

TEST(ZsFolders, EachKindOfFileLiesInItsXdgBaseFolder) {
    fs::path data = ZsGetDataDir();
    EXPECT_EQ(data, test::TestRoot() / "data" / "Pictavo/");
    EXPECT_TRUE(fs::is_directory(data));
    EXPECT_EQ(ZsGetConfigDir(), test::TestRoot() / "config" / "Pictavo/");
    // Unset in the tests: their defaults below home.
    EXPECT_EQ(ZsGetStateDir(), test::TestRoot() / "home" / ".local" / "state" / "Pictavo/");
    EXPECT_EQ(ZsGetCacheDir(), test::TestRoot() / "home" / ".cache" / "Pictavo/");
    EXPECT_EQ(ZsGetTempDir(), ZsGetCacheDir() / "Temp/");
    EXPECT_TRUE(fs::is_directory(ZsGetTempDir()));
    EXPECT_EQ(ZsGetDocumentsDir(), test::TestRoot() / "home/");
    EXPECT_FALSE(ZsGetAppDir().empty());
}

TEST(ZsFolders, AnXdgBaseThatIsNotAnAbsolutePathIsIgnored) {
    test::TempDir dir;
    const char* pszOld = std::getenv("XDG_STATE_HOME");
    const std::string sOld = pszOld ? pszOld : "";
    setenv("XDG_STATE_HOME", (dir / "state").c_str(), 1);
    EXPECT_EQ(ZsGetXdgFolder("XDG_STATE_HOME", ".local/state"), dir / "state" / "Pictavo/");
    EXPECT_TRUE(fs::is_directory(dir / "state" / "Pictavo"));
    setenv("XDG_STATE_HOME", "relative", 1);
    EXPECT_EQ(ZsGetXdgFolder("XDG_STATE_HOME", ".local/state"),
              test::TestRoot() / "home/.local/state/Pictavo/");
    if (pszOld) {
        setenv("XDG_STATE_HOME", sOld.c_str(), 1);
    } else {
        unsetenv("XDG_STATE_HOME");
    }
}

// Settings and logs of earlier versions move from the data folder once: what the new folder holds already
// stays, as do links and folders of those names.
TEST(ZsFolders, FilesOfEarlierVersionsMoveOnceAndNeverReplaceNewerOnes) {
    test::TempDir dir;
    fs::create_directories(dir / "old");
    fs::create_directories(dir / "new");
    ZsWriteFile(dir / "old" / "config.ini", ZsBlock{1});
    ZsWriteFile(dir / "old" / "config_mfc.ini", ZsBlock{2});
    ZsWriteFile(dir / "new" / "config_mfc.ini", ZsBlock{3});
    fs::create_directory(dir / "old" / "log.txt");
    ZsWriteFile(dir / "elsewhere", ZsBlock{4});
    fs::create_symlink(dir / "elsewhere", dir / "old" / "state.txt");
    EXPECT_EQ(
        ZsMoveFilesOnce(dir / "old", dir / "new", {"config.ini", "config_mfc.ini", "log.txt", "state.txt"}),
        1);
    EXPECT_EQ(ZsReadFile(dir / "new" / "config.ini"), ZsBlock{1});
    EXPECT_FALSE(fs::exists(dir / "old" / "config.ini"));
    EXPECT_EQ(ZsReadFile(dir / "new" / "config_mfc.ini"), ZsBlock{3});
    EXPECT_EQ(ZsReadFile(dir / "old" / "config_mfc.ini"), ZsBlock{2});
    EXPECT_FALSE(fs::exists(dir / "new" / "log.txt"));
    EXPECT_FALSE(fs::exists(dir / "new" / "state.txt"));
    // A second start finds nothing left to move, and a folder never moves onto itself.
    EXPECT_EQ(ZsMoveFilesOnce(dir / "old", dir / "new", {"config.ini", "config_mfc.ini"}), 0);
    EXPECT_EQ(ZsMoveFilesOnce(dir / "new", dir / "new/.", {"config.ini"}), 0);
    EXPECT_EQ(ZsReadFile(dir / "new" / "config.ini"), ZsBlock{1});
}

TEST(ZsProcessExists, ARunningProgramUntilItEnds) {
    EXPECT_TRUE(ZsProcessExists(getpid()));
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        _exit(0);
    }
    int nStatus = 0;
    ASSERT_EQ(waitpid(pid, &nStatus, 0), pid);
    EXPECT_FALSE(ZsProcessExists(pid));
    EXPECT_FALSE(ZsProcessExists(0));
    EXPECT_FALSE(ZsProcessExists(-1));
    EXPECT_FALSE(ZsProcessExists(INT64_C(1) << 40));
}

TEST(ZsSharedLibrary, LoadsByNameAndSaysWhyNot) {
    std::string sError;
    EXPECT_EQ(ZsOpenSharedLibrary("libpictavo-none.so.0", &sError), nullptr);
    EXPECT_NE(sError.find("libpictavo-none.so.0"), std::string::npos) << sError;
    EXPECT_EQ(ZsFindSharedSymbol(nullptr, "zlibVersion"), nullptr);

    void* pZlib = ZsOpenSharedLibrary("libz.so.1", &sError);
    ASSERT_NE(pZlib, nullptr) << sError;
    using Version = const char* (*)();
    const auto version = reinterpret_cast<Version>(ZsFindSharedSymbol(pZlib, "zlibVersion"));
    ASSERT_NE(version, nullptr);
    EXPECT_EQ(version()[0], '1');
    EXPECT_EQ(ZsFindSharedSymbol(pZlib, "pictavo_no_such_function"), nullptr);
}

TEST(ZsLargeBuffer, HoldsItsBytesAndLargeOnesStartOnAHugePage) {
    for (size_t n : {size_t{0}, size_t{1}, size_t{300} << 10, (size_t{1} << 20) + 3, size_t{5} << 20}) {
        ZsLargeBuffer buffer = ZsAllocLargeBuffer(n);
        ASSERT_NE(buffer, nullptr) << n;
        std::fill(buffer.get(), buffer.get() + n, uint8_t{0xA5});
        EXPECT_TRUE(n == 0 || buffer[n - 1] == 0xA5);
        if (n >= (size_t{1} << 20)) {
            EXPECT_EQ(reinterpret_cast<uintptr_t>(buffer.get()) % (uintptr_t{2} << 20), 0u) << n;
        }
    }
    EXPECT_EQ(ZsAllocLargeBuffer(SIZE_MAX - 10), nullptr);
}
