// The tool given files made to harm it: libraries whose schema carries code or stands a view for a table,
// and pipes where files are expected. Each is refused with one line naming the file and the reason, leaves
// the file as it was and never hangs the tool.
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <algorithm>
#include <cstdlib>

#include "CliRun.h"
#include "TestSupport.h"
#include "ToolCheck.h"

namespace {

// A library of one icon with the SQL run on it by the sqlite3 shell.
std::filesystem::path HostileLibrary(const test::TempDir& dir, const std::string& sName,
                                     const std::string& sSql) {
    const std::filesystem::path lib = dir / (sName + ".pctv");
    EXPECT_EQ(test::RunCli({"new", lib.string()}).code, 0);
    EXPECT_EQ(test::RunCli({"import", lib.string(), (dir / "icon.ico").string()}).code, 0);
    ZsWriteFile(dir / "hostile.sql", ZsBytes(reinterpret_cast<const uint8_t*>(sSql.data()), sSql.size()));
    EXPECT_EQ(
        std::system(("sqlite3 '" + lib.string() + "' < '" + (dir / "hostile.sql").string() + "'").c_str()),
        0);
    return lib;
}

}  // namespace

TEST(CliHostile, LibrariesThatCarryCodeOrViewsAreRefusedUntouched) {
    ASSERT_TRUE(test::HaveTools({"sqlite3"}));
    test::TempDir dir;
    ZsWriteFile(dir / "icon.ico", test::MakeIco({test::DibImage(16, 16, 32)}));
    const std::string sHolds = "holds parts an icon library does not have: ";
    const std::pair<std::filesystem::path, std::string> libraries[] = {
        {HostileLibrary(dir, "trigger",
                        "create trigger wipe after insert on icons begin delete from icons; end;"),
         sHolds + "trigger 'wipe'"},
        {HostileLibrary(
             dir, "view",
             "alter table icons rename to old; create view icons as with recursive r(id, data, name, "
             "kwds) as (select 1, null, 'x', 'y' union all select id + 1, data, name, kwds from r) "
             "select * from r;"),
         sHolds + "table 'old', view 'icons'"},
    };
    for (const auto& [lib, sReason] : libraries) {
        const std::optional<ZsBlock> before = ZsReadFile(lib);
        ASSERT_TRUE(before);
        const std::vector<std::vector<std::string>> runs = {
            {"info", lib.string()},
            {"tree", lib.string()},
            {"list", lib.string()},
            {"import", lib.string(), (dir / "icon.ico").string()},
        };
        for (const std::vector<std::string>& args : runs) {
            const test::CliResult r = test::RunCli(args);
            EXPECT_NE(r.code, 0) << args[0] << " " << lib;
            EXPECT_NE(r.err.find(lib.filename().string()), std::string::npos) << r.err;
            EXPECT_NE(r.err.find(sReason), std::string::npos) << r.err;
            EXPECT_EQ(std::count(r.err.begin(), r.err.end(), '\n'), 1) << r.err;
            EXPECT_EQ(ZsReadFile(lib), before) << args[0] << " " << lib;
        }
    }
}

TEST(CliHostile, PipesAreNamedAndPassedOverWithoutWaiting) {
    test::TempDir dir;
    std::filesystem::create_directories(dir / "icons");
    ZsWriteFile(dir / "icons" / "good.ico", test::MakeIco({test::DibImage(16, 16, 32)}));
    ASSERT_EQ(mkfifo((dir / "icons" / "pipe.ico").c_str(), 0600), 0);
    const std::string sPipe = (dir / "icons" / "pipe.ico").string();
    for (const std::vector<std::string>& args :
         {std::vector<std::string>{"info", sPipe}, {"convert", sPipe, (dir / "out.ico").string()}}) {
        const test::CliResult r = test::RunCli(args);
        EXPECT_NE(r.code, 0) << args[0];
        EXPECT_NE(r.err.find("pipe.ico"), std::string::npos) << r.err;
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "out.ico"));
    const std::string sLib = (dir / "lib.pctv").string();
    ASSERT_EQ(test::RunCli({"new", sLib}).code, 0);
    const test::CliResult r = test::RunCli({"import", sLib, (dir / "icons").string()});
    EXPECT_NE(r.err.find("pipe.ico"), std::string::npos) << r.err;
    EXPECT_NE(test::RunCli({"list", sLib}).out.find("good"), std::string::npos);
}
