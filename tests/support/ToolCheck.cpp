#include "ToolCheck.h"

#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>

namespace test {

namespace {

bool OnPath(const std::string& name) {
    const char* pszPath = std::getenv("PATH");
    std::string_view path = pszPath ? pszPath : "";
    while (true) {
        const size_t nColon = path.find(':');
        const std::string_view folder = path.substr(0, nColon);
        // An empty entry stands for the current folder, as the shell takes it.
        const std::filesystem::path candidate =
            std::filesystem::path(folder.empty() ? "." : std::string(folder)) / name;
        std::error_code ec;
        if (access(candidate.c_str(), X_OK) == 0 && !std::filesystem::is_directory(candidate, ec)) {
            return true;
        }
        if (nColon == std::string_view::npos) {
            return false;
        }
        path.remove_prefix(nColon + 1);
    }
}

}  // namespace

::testing::AssertionResult HaveTools(std::initializer_list<const char*> tools) {
    std::string sMissing;
    for (const char* pszTool : tools) {
        if (!OnPath(pszTool)) {
            sMissing += sMissing.empty() ? "" : " ";
            sMissing += pszTool;
        }
    }
    if (sMissing.empty()) {
        return ::testing::AssertionSuccess();
    }
    return ::testing::AssertionFailure()
           << "not installed: " << sMissing << " (./test.sh installs every tool the tests need)";
}

}  // namespace test
