// Every test program starts with its data folder, home and documents in a private temporary folder, so no
// test touches the user's own settings, log or libraries.
#include <gtest/gtest.h>

#include <cstdlib>

#include "TestSupport.h"

int main(int argc, char** argv) {
    std::filesystem::path root = test::TestRoot();
    std::filesystem::create_directories(root / "home");
    setenv("HOME", (root / "home").c_str(), 1);
    setenv("XDG_DATA_HOME", (root / "data").c_str(), 1);
    setenv("XDG_CONFIG_HOME", (root / "config").c_str(), 1);
    ::testing::InitGoogleTest(&argc, argv);
    int rc = RUN_ALL_TESTS();
    std::error_code ec;
    std::filesystem::remove_all(root, ec);
    return rc;
}
