// The tool's pieces for the desktop around it: --version, the library of icon-theme pictures ("seed"), and
// the hidden verb that gives shell completion the category paths of a library.
#include <gtest/gtest.h>

#include <sys/wait.h>

#include <map>

#include "CliAllocFault.h"
#include "CliRun.h"
#include "TestSupport.h"
#include "cli/Cli.h"
#include "common/ZsConfig.h"
#include "icon/ZsPicture.h"

namespace {

void Picture(const std::filesystem::path& path) {
    std::filesystem::create_directories(path.parent_path());
    ASSERT_TRUE(ZsSaveBitmapFile(CZsBitmap(48, 48, 32, ZsArgb(255, 1, 2, 3)), path, ZS_PIC_PNG));
}

}  // namespace

TEST(CliDesktop, VersionIsPrintedAlone) {
    const test::CliResult r = test::RunCli({"--version"});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out, "pictavo-cli " PICTAVO_VERSION "\n");
    EXPECT_EQ(r.err, "");
    EXPECT_NE(test::RunCli({"help"}).out.find("--version prints the version"), std::string::npos);
}

TEST(CliDesktop, HelpListsEveryFileTypeRead) {
    const std::string sHelp = test::RunCli({"help"}).out;
    for (const char* pszExt : {".ico", ".exe", ".exif", ".svg", ".webp", ".icns", ".cur", ".ani"}) {
        EXPECT_NE(sHelp.find(std::string("\n  ") + pszExt + " "), std::string::npos) << pszExt;
    }
}

TEST(CliDesktop, CategoryPathsForCompletionAreHiddenAndReadOnly) {
    test::TempDir dir;
    const std::string lib = (dir / "lib.pctv").string();
    ASSERT_EQ(test::RunCli({"new", lib}).code, 0);
    ASSERT_EQ(test::RunCli({"mkcat", lib, "My Icons/Sample Category 2/A\\/B"}).code, 0);
    const std::optional<ZsBlock> before = ZsReadFile(lib);

    const test::CliResult r = test::RunCli({"__categories", lib});
    EXPECT_EQ(r.code, 0);
    EXPECT_EQ(r.out,
              "My Icons\n"
              "My Icons/Sample Category 1\n"
              "My Icons/Sample Category 1/Sample Subcategory 1\n"
              "My Icons/Sample Category 1/Sample Subcategory 2\n"
              "My Icons/Sample Category 2\n"
              "My Icons/Sample Category 2/A\\/B\n"
              "My Icons/Sample Category 3\n"
              "Find Results\n");
    EXPECT_EQ(ZsReadFile(lib), before);
    // Every path it prints is one --category takes.
    EXPECT_EQ(test::RunCli({"list", lib, "--category", "My Icons/Sample Category 2/A\\/B"}).code, 0);

    EXPECT_EQ(test::RunCli({"help"}).out.find("__categories"), std::string::npos);
    EXPECT_EQ(test::RunCli({"__categories", (dir / "missing.pctv").string()}).code, 1);
    EXPECT_FALSE(std::filesystem::exists(dir / "missing.pctv"));
    EXPECT_EQ(test::RunCli({"__categories"}).code, 2);
}

TEST(CliDesktop, SeedMakesALibraryOfThemePictures) {
    test::TempDir dir;
    Picture(dir / "icons" / "Theme" / "48x48" / "places" / "folder.png");
    Picture(dir / "icons" / "Theme" / "48x48" / "devices" / "drive.png");
    const std::string lib = (dir / "themes.pctv").string();
    const std::string themes = (dir / "icons").string();

    const test::CliResult r = test::RunCli({"seed", lib, "--themes", themes});
    ASSERT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out, lib + ": 2 icons in 2 categories.\n");
    EXPECT_EQ(test::RunCli({"list", lib, "--category", "My Icons/Places"}).code, 0);
    EXPECT_NE(test::RunCli({"tree", lib}).out.find("Devices"), std::string::npos);

    // An existing file is never replaced; a folder without themes makes nothing.
    EXPECT_EQ(test::RunCli({"seed", lib, "--themes", themes}).code, 1);
    const test::CliResult none =
        test::RunCli({"seed", (dir / "none.pctv").string(), "--themes", (dir / "x").string()});
    EXPECT_EQ(none.code, 1);
    EXPECT_NE(none.err.find("No icon themes with pictures under"), std::string::npos);
    EXPECT_FALSE(std::filesystem::exists(dir / "none.pctv"));
    EXPECT_EQ(test::RunCli({"seed", "a.pctv", "b.pctv"}).code, 2);
    EXPECT_EQ(test::RunCli({"seed", lib, "--themes"}).code, 2);
}

TEST(CliDesktop, SeedWithoutALibraryMakesTheFirstRunLibraryOnce) {
    test::TempDir dir;
    Picture(dir / "icons" / "Theme" / "48x48" / "apps" / "editor.png");
    const std::filesystem::path library = ZsGetDataDir() / "Default.pctv";
    std::error_code ec;
    std::filesystem::remove(library, ec);
    std::filesystem::remove(ZsGetConfigPath(), ec);

    const test::CliResult first = test::RunCli({"seed", "--themes", (dir / "icons").string()});
    ASSERT_EQ(first.code, 0) << first.err;
    EXPECT_EQ(first.out, ZsPathToUtf8(library) + ": 1 icon in 1 category.\n");
    const test::CliResult again = test::RunCli({"seed", "--themes", (dir / "icons").string()});
    EXPECT_EQ(again.code, 0);
    EXPECT_EQ(again.out, "Pictavo has run before: nothing to do.\n");
    std::filesystem::remove(library);
}

namespace {

std::string Q(const std::filesystem::path& p) {
    return "'" + p.string() + "'";
}

// The exit code of a shell command line.
int Shell(const std::string& command) {
    const int status = std::system(("sh -c \"" + command + "\" 2>/dev/null").c_str());
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

}  // namespace

TEST(CliHabits, DashIsStandardInputAndOutput) {
    test::TempDir dir;
    Picture(dir / "in.png");
    const std::string cli = std::string("'") + PICTAVO_CLI + "'";
    ASSERT_EQ(test::RunCli({"convert", (dir / "in.png").string(), (dir / "file.ico").string()}).code, 0);
    ASSERT_EQ(Shell(cli + " convert " + Q(dir / "in.png") + " - > " + Q(dir / "out.ico")), 0);
    ASSERT_EQ(Shell("cat " + Q(dir / "in.png") + " | " + cli + " convert - " + Q(dir / "piped.ico")), 0);
    EXPECT_EQ(ZsReadFile(dir / "out.ico"), ZsReadFile(dir / "file.ico"));
    EXPECT_EQ(ZsReadFile(dir / "piped.ico"), ZsReadFile(dir / "file.ico"));
    // The kind written to "-" comes from --type; stdin's kind from its content.
    ASSERT_EQ(
        Shell("cat " + Q(dir / "file.ico") + " | " + cli + " convert - - --type=icns > " + Q(dir / "a.icns")),
        0);
    EXPECT_EQ(test::RunCli({"info", (dir / "a.icns").string()}).code, 0);
    EXPECT_EQ(test::RunCli({"convert", (dir / "in.png").string(), "-", "--type", "png"}).code, 2);
    // Nothing of the run is left in the cache folder.
    EXPECT_EQ(Shell("ls \\$XDG_CACHE_HOME/Pictavo 2>/dev/null | grep -q std"), 1);
    // Write errors on standard output: a full disk and a closed pipe.
    EXPECT_EQ(Shell(cli + " convert " + Q(dir / "in.png") + " - > /dev/full"), 1);
    EXPECT_EQ(Shell(cli + " help > /dev/full"), 1);
    EXPECT_EQ(Shell("(" + cli + " convert " + Q(dir / "in.png") + " - --formats 256x256-XP; echo \\$? > " +
                    Q(dir / "code") + ") | true"),
              0);
    EXPECT_EQ(ZsReadFile(dir / "code"), (std::vector<uint8_t>{'1', '\n'}));
}

TEST(CliHabits, DashForEveryVerbThatReadsOrWritesOneFile) {
    test::TempDir dir;
    Picture(dir / "in.png");
    const std::string cli = std::string("'") + PICTAVO_CLI + "' ";
    const std::string lib = (dir / "lib.pctv").string(), png = "cat " + Q(dir / "in.png") + " | " + cli;
    ASSERT_EQ(test::RunCli({"new", lib}).code, 0);
    ASSERT_EQ(test::RunCli({"convert", (dir / "in.png").string(), (dir / "in.ico").string()}).code, 0);
    // Icons read from standard input are named "stdin", or by --name whatever the characters.
    ASSERT_EQ(Shell(png + "import " + Q(lib) + " -"), 0);
    ASSERT_EQ(Shell(png + "import " + Q(lib) + " - --name 'Logo: *new*'"), 0);
    const std::string sList = test::RunCli({"list", lib}).out;
    EXPECT_NE(sList.find(" stdin "), std::string::npos) << sList;
    EXPECT_NE(sList.find(" Logo: *new* "), std::string::npos) << sList;
    ASSERT_EQ(Shell(png + "split - " + Q(dir / "tiles") + " --tile 24 24"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "tiles" / "stdin (4).ico"));
    const std::string ico = "cat " + Q(dir / "in.ico") + " | " + cli;
    ASSERT_EQ(Shell(ico + "export-images - " + Q(dir / "pngs") + " --type png"), 0);
    EXPECT_TRUE(std::filesystem::exists(dir / "pngs" / "stdin (48x48 - XP).png"));
    ASSERT_EQ(Shell(ico + "formats - - --add 16x16-XP > " + Q(dir / "two.ico")), 0);
    EXPECT_NE(test::RunCli({"info", (dir / "two.ico").string()}).out.find("2 images"), std::string::npos);

    // Where "-" makes no sense: one usage line, and no file named "-".
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"list", "-"},
          {"new", "-"},
          {"import-tree", lib, "-"},
          {"export", lib, "-", "--type", "png"},
          {"split", "in.png", "-", "--tile", "8", "8"},
          {"cpcat", lib, "My Icons/Sample Category 1", "My Icons", "--from", "-"}}) {
        const test::CliResult r = test::RunCli(args);
        EXPECT_EQ(r.code, 2) << args[0];
        EXPECT_NE(r.err.find("cannot be standard input or output"), std::string::npos) << r.err;
    }
    EXPECT_EQ(Shell(png + "import " + Q(lib) + " - -"), 2);
    EXPECT_EQ(test::RunCli({"import", lib, (dir / "in.png").string(), "--name", "x"}).code, 2);
    EXPECT_EQ(Shell(png + "import " + Q(lib) + " - --name a/b"), 2);
    EXPECT_FALSE(std::filesystem::exists("-"));
    EXPECT_EQ(Shell("ls \\$XDG_CACHE_HOME/Pictavo 2>/dev/null | grep -q std"), 1);
}

TEST(CliHabits, OptionsHelpAndUsageErrorsOnEveryVerb) {
    test::TempDir dir;
    const std::string lib = (dir / "lib.pctv").string();
    ASSERT_EQ(test::RunCli({"new", lib}).code, 0);
    for (const char* verb : {"import", "export", "convert", "extract", "merge", "rm", "link", "mkcat", "list",
                             "info", "grid-export", "formats"}) {
        for (const char* help : {"--help", "-h"}) {
            const test::CliResult r = test::RunCli({verb, lib, help});
            EXPECT_EQ(r.code, 0) << verb;
            EXPECT_EQ(r.out.rfind(std::string("Usage: pictavo-cli ") + verb + " ", 0), 0u) << r.out;
            EXPECT_EQ(r.err, "");
        }
        const test::CliResult r = test::RunCli({verb, lib, "--no-such-option", "x"});
        EXPECT_EQ(r.code, 2) << verb;
        EXPECT_EQ(r.err, "pictavo-cli: unknown option '--no-such-option'.\nTry 'pictavo-cli help " +
                             std::string(verb) + "' for more information.\n");
        EXPECT_EQ(r.out, "");
    }
    // "--opt=value" beside "--opt value", the run's options anywhere on the line, "--" ending the options.
    EXPECT_EQ(test::RunCli({"list", lib, "--category=My Icons/Sample Category 1", "-q"}).code, 0);
    EXPECT_EQ(test::RunCli({"--quiet", "list", "--category", "My Icons", lib, "--verbose"}).code, 0);
    EXPECT_EQ(test::RunCli({"list", lib, "--json=yes"}).code, 2);
    ZsWriteFile(dir / "-x", test::MakeIco({test::DibImage(16, 16, 32)}));
    const std::filesystem::path cwd = std::filesystem::current_path();
    std::filesystem::current_path(dir.Path());
    EXPECT_EQ(test::RunCli({"info", "-x"}).code, 2);
    const test::CliResult r = test::RunCli({"info", "--", "-x"});
    std::filesystem::current_path(cwd);
    EXPECT_EQ(r.code, 0) << r.err;
    EXPECT_EQ(r.out.rfind("-x: icon file", 0), 0u) << r.out;
}

TEST(CliHabits, JsonReportOfEveryReportingVerbIsOneObject) {
    test::TempDir dir;
    const std::string lib = (dir / "lib.pctv").string();
    Picture(dir / "in" / "a.png");
    // A file name that is not UTF-8.
    ZsWriteFile(dir / "in" / "b\xff.ico", test::MakeIco({test::DibImage(16, 16, 32)}));
    const std::string in = (dir / "in").string(), ico = (dir / "in" / "b\xff.ico").string();
    const std::vector<std::vector<std::string>> runs = {
        {"new", lib},
        {"import", lib, in, (dir / "missing.png").string()},
        {"mkcat", lib, "My Icons/New"},
        {"link", lib, "My Icons/New", "--rows", "0,1"},
        {"rm", lib, "--category", "My Icons/New", "--rows", "0"},
        {"merge", lib, "--rows", "0,1", "--yes"},
        {"mkcat", lib, "My Icons/Old"},
        {"rename", lib, "My Icons/Old", "Renamed"},
        {"mvcat", lib, "My Icons/Renamed", "My Icons/New"},
        {"rmcat", lib, "My Icons/New"},
        {"compact", lib},
        {"export", lib, (dir / "out").string(), "--type", "png"},
        {"extract", ico, (dir / "ex\xfe").string()},
        {"convert", (dir / "in" / "a.png").string(), (dir / "c.ico").string()},
        {"formats", (dir / "c.ico").string(), (dir / "d.ico").string(), "--add", "16x16-XP"},
        {"export-images", (dir / "d.ico").string(), (dir / "images").string(), "--type", "png"},
        {"presets"},
        {"list", lib},
        {"info", ico},
        {"tree", lib},
    };
    std::filesystem::create_directories(dir / "out");
    for (std::vector<std::string> args : runs) {
        args.push_back("--json");
        const test::CliResult r = test::RunCli(args);
        ZsWriteFile(dir / "out.json", ZsBytes(reinterpret_cast<const uint8_t*>(r.out.data()), r.out.size()));
        const std::optional<std::string> parsed = test::Capture(
            "python3 -c 'import json,sys; d=json.load(open(sys.argv[1])); "
            "print(d[\"verb\"], d[\"exitCode\"], len(d.get(\"refused\", [])), d.get(\"written\", \"\") != "
            "\"\") "
            "if isinstance(d, dict) and \"verb\" in d else print(\"listing\")' " +
            Q(dir / "out.json"));
        ASSERT_TRUE(parsed) << args[0] << ": " << r.out;
        if (args[0] == "list" || args[0] == "info" || args[0] == "tree" || args[0] == "presets") {
            EXPECT_EQ(*parsed, "listing\n") << r.out;
        } else {
            EXPECT_EQ(parsed->rfind(args[0] + " " + std::to_string(r.code), 0), 0u) << *parsed << r.out;
        }
        // What each verb changed; a file refused while the inputs are gathered is no error line.
        const std::map<std::string, std::string> kReported = {
            {"import", "\"refused\": [{\"file\": " + JsonQuote((dir / "missing.png").string()) +
                           ", \"reason\": \"cannot be read\"}], \"exitCode\": 1}"},
            {"rename", "\"from\": \"My Icons/Old\", \"path\": \"My Icons/Renamed\""},
            {"mvcat",
             "\"from\": \"My Icons/Renamed\", \"path\": \"My Icons/New/Renamed\", \"categories\": 1"},
            {"rmcat", "\"path\": \"My Icons/New\", \"categories\": 2"},
            {"compact", "\"bytesSaved\": "},
            {"export-images", "\"written\": [" + JsonQuote((dir / "images" / "d (48x48 - XP).png").string())},
            {"presets",
             "{\"group\": \"General\", \"name\": \"All Standard Image Formats\", \"formats\": "
             "[{\"width\": 256, \"height\": 256, \"bitCount\": 32, \"label\": \"256x256 - XP\"}"},
        };
        if (auto it = kReported.find(args[0]); it != kReported.end()) {
            EXPECT_NE(r.out.find(it->second), std::string::npos) << r.out;
        }
        if (args[0] == "import") {
            EXPECT_NE(r.out.find("\"icons\": 2"), std::string::npos) << r.out;
        }
        if (args[0] == "extract") {
            EXPECT_NE(r.out.find("ex\\ufffd/b"), std::string::npos) << r.out;
        }
    }
}

TEST(CliHabits, AVerbThatThrowsStopsWithOneLineAndExitCode1) {
    test::TempDir dir;
    // Reading the file allocates its size at once, far more than anything before it in the run.
    ASSERT_TRUE(ZsWriteFile(dir / "in.ico", std::vector<uint8_t>(2 << 20)));
    const std::string in = (dir / "in.ico").string(), out = (dir / "out.ico").string();
    const char* const kLines[] = {"repack stopped: out of memory.", "repack stopped: the disk caught fire.",
                                  "repack stopped on an unexpected error."};
    for (int nKind = 0; nKind < 3; ++nKind) {
        testing::internal::CaptureStdout();
        testing::internal::CaptureStderr();
        test::FailAllocationFrom(1 << 20, static_cast<test::ALLOC_FAULT>(nKind));
        const int rc = CliRun({"repack", in, out, "--json"});
        test::FailAllocationFrom(SIZE_MAX, test::ALLOC_BAD_ALLOC);
        const std::string sOut = testing::internal::GetCapturedStdout();
        const std::string sErr = testing::internal::GetCapturedStderr();
        const std::string sLine = kLines[nKind];
        EXPECT_EQ(rc, 1);
        EXPECT_EQ(sErr, "pictavo-cli: " + sLine + "\n");
        EXPECT_EQ(sOut, "{\"verb\": \"repack\", \"errors\": [\"" + sLine + "\"], \"exitCode\": 1}\n");
        EXPECT_FALSE(std::filesystem::exists(out));
    }
}
