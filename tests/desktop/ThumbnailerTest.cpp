// The thumbnailer run as a file manager runs it: the Exec line of its entry split into words, %s, %i and %o
// replaced by the size, the input and the output, the program found on PATH. Real files of every kind give
// a PNG of the right size and content; hostile ones, pipes and bad arguments give no file and a non-zero
// code. The entry's types match those the file-type definitions and the desktop entry name.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <thread>

#include <fstream>
#include <map>
#include <sstream>

#include "../icon/ModuleFixtures.h"
#include "TestSupport.h"
#include "ToolCheck.h"
#include "common/ZsFileTypes.h"
#include "icon/ZsCursor.h"
#include "icon/ZsIcns.h"
#include "icon/ZsPicture.h"
#include "library/ZsIconLib.h"

extern char** environ;

namespace {

constexpr uint32_t kRed = ZsArgb(255, 255, 0, 0);
constexpr uint32_t kGreen = ZsArgb(255, 0, 255, 0);
constexpr uint32_t kBlue = ZsArgb(255, 0, 0, 255);

std::string ReadText(const std::filesystem::path& path) {
    std::ifstream in(path);
    std::stringstream text;
    text << in.rdbuf();
    return text.str();
}

// The keys of a desktop-entry style file.
std::map<std::string, std::string> Entry(const std::filesystem::path& path) {
    std::map<std::string, std::string> keys;
    std::istringstream in(ReadText(path));
    std::string line;
    while (std::getline(in, line)) {
        const size_t eq = line.find('=');
        if (eq != std::string::npos && line[0] != '#' && line[0] != '[') {
            keys[line.substr(0, eq)] = line.substr(eq + 1);
        }
    }
    return keys;
}

std::vector<std::string> Split(const std::string& text, char sep) {
    std::vector<std::string> parts;
    std::istringstream in(text);
    std::string part;
    while (std::getline(in, part, sep)) {
        if (!part.empty()) {
            parts.push_back(part);
        }
    }
    return parts;
}

// Runs the entry's Exec line for one file with the program folder first on PATH; the exit code, or -1
// when the program did not end by itself.
int RunEntry(const std::string& sSize, const std::filesystem::path& input,
             const std::filesystem::path& output) {
    std::vector<std::string> args;
    for (const std::string& word : Split(Entry(PICTAVO_THUMBNAILER_ENTRY)["Exec"], ' ')) {
        args.push_back(word == "%s"   ? sSize
                       : word == "%i" ? input.string()
                       : word == "%o" ? output.string()
                                      : word);
    }
    std::vector<char*> argv;
    for (std::string& arg : args) {
        argv.push_back(arg.data());
    }
    argv.push_back(nullptr);
    // The program is looked for on PATH, as a file manager looks for it.
    const char* pszPath = std::getenv("PATH");
    const std::string sOldPath = pszPath ? pszPath : "/usr/bin:/bin";
    setenv("PATH", (std::string(PICTAVO_BIN_DIR) + ":" + sOldPath).c_str(), 1);
    pid_t pid = 0;
    const int rc = posix_spawnp(&pid, argv[0], nullptr, nullptr, argv.data(), environ);
    setenv("PATH", sOldPath.c_str(), 1);
    if (rc != 0) {
        return -2;
    }
    // A run that hangs is killed and fails the test instead of holding the suite.
    int nStatus = 0;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(60);
    while (waitpid(pid, &nStatus, WNOHANG) == 0) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &nStatus, 0);
            ADD_FAILURE() << "the thumbnailer did not end within 60 s: " << input;
            return -1;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return WIFEXITED(nStatus) ? WEXITSTATUS(nStatus) : -1;
}

// A pixel of a bitmap; 0 outside it (a null bitmap has none).
uint32_t Pixel(const CZsBitmap& bitmap, int x, int y) {
    return x >= 0 && y >= 0 && x < bitmap.Width() && y < bitmap.Height() ? bitmap.At(x, y) : 0;
}

std::filesystem::path Write(const std::filesystem::path& path, const ZsBlock& bytes) {
    EXPECT_TRUE(ZsWriteFile(path, bytes));
    return path;
}

// The thumbnail written for a file, decoded; a null bitmap when the run failed or wrote nothing.
CZsBitmap Thumbnail(const std::filesystem::path& input, int nSize, const test::TempDir& out) {
    const std::filesystem::path png = out / (input.filename().string() + ".png");
    const int nCode = RunEntry(std::to_string(nSize), input, png);
    const std::optional<ZsBlock> bytes = ZsReadFile(png);
    EXPECT_EQ(nCode, 0) << input;
    return nCode == 0 && bytes ? ZsDecodePng(*bytes) : CZsBitmap();
}

}  // namespace

// The entries as built and installed name exactly the types of the table of types read; each type's own
// MIME name is the one the desktop's database gives its extension. Programs, DLLs and photos are named only
// by the hidden import entry, so that installing Pictavo never makes it the program that opens them.
TEST(Thumbnailer, EntriesNameTheTypesRead) {
    const auto entry = Entry(PICTAVO_THUMBNAILER_ENTRY);
    EXPECT_EQ(entry.at("TryExec"), "pictavo-thumbnailer");
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(PICTAVO_BIN_DIR) / entry.at("TryExec")));
    const auto program = Entry(PICTAVO_DESKTOP_ENTRY);
    const auto import = Entry(PICTAVO_IMPORT_ENTRY);
    EXPECT_EQ(import.at("Name"), "Import into Pictavo");
    EXPECT_EQ(import.at("NoDisplay"), "true");
    EXPECT_EQ(program.count("NoDisplay"), 0u);
    // Both hand their files to the program, which imports every file that is no library.
    EXPECT_EQ(import.at("Exec"), program.at("Exec"));
    std::vector<std::string> thumbnailed = Split(entry.at("MimeType"), ';');
    std::vector<std::string> offered = Split(program.at("MimeType"), ';');
    std::vector<std::string> imported = Split(import.at("MimeType"), ';');
    // Every type the file-type definitions add.
    const std::string sMime = ReadText(PICTAVO_MIME_XML);
    std::vector<std::string> defined;
    for (size_t at = sMime.find("type=\""); at != std::string::npos; at = sMime.find("type=\"", at + 1)) {
        const size_t start = at + 6;
        const std::string sType = sMime.substr(start, sMime.find('"', start) - start);
        if (sMime.compare(at - 11, 11, "<mime-type ") == 0) {
            defined.push_back(sType);
        }
    }
    EXPECT_EQ(defined,
              (std::vector<std::string>{"application/x-pictavo-library", "application/x-icon-library"}));
    std::vector<std::string> all = {ZS_LIBRARY_MIME_TYPE}, shown = {ZS_LIBRARY_MIME_TYPE},
                             opened = {ZS_LIBRARY_MIME_TYPE}, importOnly;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        for (const std::string& sType : Split(type.pszMimeTypes, ';')) {
            all.push_back(sType);
            (type.nOffer == ZS_OFFER_OPEN ? opened : importOnly).push_back(sType);
            if (type.bThumbnail) {
                shown.push_back(sType);
            }
        }
    }
    for (const std::string& sType : defined) {
        EXPECT_NE(std::find(all.begin(), all.end(), sType), all.end()) << sType;
    }
    const auto has = [](const std::vector<std::string>& list, const char* pszType) {
        return std::find(list.begin(), list.end(), pszType) != list.end();
    };
    // Types once left out of the program's entry though it imports them.
    for (const char* pszType :
         {"image/svg+xml", "image/webp", "image/x-icns", "image/x-win-bitmap", "application/x-navi-animation",
          "image/vnd.microsoft.icon", "application/x-icon-library"}) {
        EXPECT_TRUE(has(offered, pszType)) << pszType;
        EXPECT_FALSE(has(imported, pszType)) << pszType;
    }
    // Types the program once made itself a candidate default for.
    for (const char* pszType :
         {"application/x-ms-dos-executable", "application/vnd.microsoft.portable-executable",
          "application/x-msdownload", "image/png", "image/jpeg", "image/bmp", "image/gif", "image/tiff"}) {
        EXPECT_FALSE(has(offered, pszType)) << pszType;
        EXPECT_TRUE(has(imported, pszType)) << pszType;
    }
    // The thumbnailer shows every kind of icon file and module, the animated cursor by its first frame.
    for (const char* pszType : {"image/x-icns", "image/x-win-bitmap", "application/x-navi-animation"}) {
        EXPECT_TRUE(has(thumbnailed, pszType)) << pszType;
    }
    for (std::vector<std::string>* pList :
         {&shown, &opened, &importOnly, &thumbnailed, &offered, &imported}) {
        std::sort(pList->begin(), pList->end());
    }
    EXPECT_EQ(offered, opened);
    EXPECT_EQ(imported, importOnly);
    EXPECT_EQ(thumbnailed, shown);

    // The desktop's database, where it is installed: an extension it knows maps to the type's own name,
    // unless the table gives that type no name the database knows (".dll" is every shared library there).
    const std::string sGlobs = ReadText("/usr/share/mime/globs2");
    const std::string sKnown = "\n" + ReadText("/usr/share/mime/types");
    if (sGlobs.empty()) {
        return;
    }
    int nChecked = 0;
    for (const ZS_FILE_TYPE& type : ZS_FILE_TYPES) {
        const std::vector<std::string> names = Split(type.pszMimeTypes, ';');
        const std::string sGlob = std::string(":*.") + type.pszExt + "\n";
        const size_t nAt = sGlobs.find(sGlob);
        if (names.empty() || nAt == std::string::npos ||
            sKnown.find("\n" + names[0] + "\n") == std::string::npos) {
            continue;
        }
        const size_t nStart = sGlobs.rfind(':', nAt - 1) + 1;
        EXPECT_EQ(sGlobs.substr(nStart, nAt - nStart), names[0]) << type.pszExt;
        ++nChecked;
    }
    EXPECT_GE(nChecked, 10);
}

TEST(Thumbnailer, ShowsFilesOfEveryKind) {
    test::TempDir dir, out;
    const auto ico =
        Write(dir / "three.ico", test::MakeIco({test::DibImage(16, 16, 8), test::PngImage(48, 48, kGreen),
                                                test::PngImage(256, 256, kBlue)}));
    const CZsBitmap normal = Thumbnail(ico, 128, out);
    ASSERT_EQ(normal.Width(), 128);
    EXPECT_EQ(normal.At(64, 64), kBlue);
    EXPECT_EQ(Pixel(Thumbnail(ico, 48, out), 24, 24), kGreen);

    const auto pe = Write(dir / "module.dll",
                          test::MakePe(test::IconResources({{test::PngImage(32, 32, kRed)}}, {1})).bytes);
    EXPECT_EQ(Pixel(Thumbnail(pe, 128, out), 16, 16), kRed);
    const auto ne =
        Write(dir / "classic.icl", test::MakeNe({{test::PngImage(32, 32, kGreen)}}, {"Green"}).bytes);
    EXPECT_EQ(Pixel(Thumbnail(ne, 256, out), 16, 16), kGreen);
    CIcon icon;
    ASSERT_TRUE(icon.SetData(test::MakeIco({test::PngImage(32, 32, kBlue)})));
    EXPECT_EQ(Pixel(Thumbnail(Write(dir / "arrow.cur", ZI_IconToCursor(icon, 0, 0)), 32, out), 16, 16),
              kBlue);
    EXPECT_EQ(Pixel(Thumbnail(Write(dir / "app.icns", ZI_IconToIcns(icon)), 32, out), 16, 16), kBlue);
    // An animated cursor shows its first frame.
    const ZsBlock ani = test::MakeAni(
        {test::RiffChunk("anih", test::AniHeader()),
         test::AniFrames({ZI_IconToCursor(icon, 0, 0), test::MakeIco({test::PngImage(32, 32, kRed)})})});
    EXPECT_EQ(Pixel(Thumbnail(Write(dir / "busy.ani", ani), 32, out), 16, 16), kBlue);

    CZsCategoryTree tree;
    CZsIconLib lib;
    lib.AttachTree(&tree);
    ASSERT_TRUE(lib.NewLib());
    ZIL_LIST ids;
    for (uint32_t nColor : {kRed, kGreen, kBlue}) {
        ids.push_back(lib.ImpIcon(test::MakeIco({test::PngImage(64, 64, nColor)}), nullptr));
    }
    lib.ListToNode(ZIL_ID_ALL, ids);
    ASSERT_TRUE(lib.Save(dir / "icons.pctv"));
    lib.Close();
    const CZsBitmap grid = Thumbnail(dir / "icons.pctv", 128, out);
    ASSERT_EQ(grid.Width(), 128);
    EXPECT_EQ(grid.At(33, 33), kRed);
    EXPECT_EQ(grid.At(95, 33), kGreen);
    EXPECT_EQ(grid.At(33, 95), kBlue);
    EXPECT_EQ(ZsAlpha(grid.At(95, 95)), 0u);
}

TEST(Thumbnailer, HostileFilesAndBadArgumentsLeaveNoOutput) {
    test::TempDir dir, out;
    test::IcoImage bomb = test::PngStub(16384, 8192);
    bomb.bWidth = bomb.bHeight = 32;
    ZsBlock truncated = test::MakeIco({test::PngImage(32, 32, kRed)});
    truncated.resize(truncated.size() / 2);
    ZsBlock notLibrary(4096, 0x5A);
    std::memcpy(notLibrary.data(), "SQLite format 3", 16);
    ASSERT_EQ(mkfifo((dir / "pipe.ico").c_str(), 0600), 0);
    const std::vector<std::filesystem::path> inputs = {
        Write(dir / "garbage.ico", ZsBlock(1000, 0x77)),
        Write(dir / "truncated.ico", truncated),
        Write(dir / "bomb.ico", test::MakeIco({bomb})),
        Write(dir / "mz.dll", ZsBlock{'M', 'Z', 1, 2, 3}),
        Write(dir / "broken.pctv", notLibrary),
        dir / "pipe.ico",
        dir / "missing.ico",
        dir.Path(),
    };
    for (const std::filesystem::path& input : inputs) {
        const std::filesystem::path png = out / "out.png";
        EXPECT_EQ(RunEntry("128", input, png), 1) << input;
        EXPECT_FALSE(std::filesystem::exists(png)) << input;
    }

    const auto ico = Write(dir / "good.ico", test::MakeIco({test::PngImage(32, 32, kRed)}));
    for (const char* pszSize : {"0", "1025", "12x", "", "-5", "99999"}) {
        EXPECT_EQ(RunEntry(pszSize, ico, out / "out.png"), 2) << pszSize;
    }
    EXPECT_FALSE(std::filesystem::exists(out / "out.png"));
    // Libraries whose schema carries a trigger or a view in place of a table: refused, left as they were.
    ASSERT_TRUE(test::HaveTools({"sqlite3"}));
    for (const char* pszSql :
         {"create trigger wipe after insert on icons begin delete from icons; end;",
          "alter table icons rename to old; create view icons as with recursive r(id, data, name, kwds) as "
          "(select 1, null, 'x', 'y' union all select id + 1, data, name, kwds from r) select * from r;"}) {
        const std::filesystem::path lib = dir / "hostile.pctv";
        std::filesystem::remove(lib);
        {
            CZsCategoryTree tree;
            CZsIconLib library;
            library.AttachTree(&tree);
            ASSERT_TRUE(library.NewLib());
            library.ImpIcon(test::MakeIco({test::PngImage(64, 64, kRed)}), nullptr);
            ASSERT_TRUE(library.Save(lib));
        }
        ASSERT_EQ(std::system(("sqlite3 '" + lib.string() + "' \"" + pszSql + "\"").c_str()), 0);
        const std::optional<ZsBlock> before = ZsReadFile(lib);
        EXPECT_EQ(RunEntry("128", lib, out / "out.png"), 1) << pszSql;
        EXPECT_FALSE(std::filesystem::exists(out / "out.png")) << pszSql;
        EXPECT_EQ(ZsReadFile(lib), before) << pszSql;
    }
    // An output that cannot be written.
    EXPECT_EQ(RunEntry("32", ico, dir / "missing" / "out.png"), 1);
}
