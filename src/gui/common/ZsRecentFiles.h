// The list of recently used files shown in the File menu, kept in "config_mfc.ini" under
// "Recent File List" as File1, File2, ... (most recent first).
#pragma once

#include <filesystem>
#include <vector>

class CZsRecentFileList {
public:
    explicit CZsRecentFileList(size_t nMax = 16) : mnMax(nMax) {}

    void Load();
    void Save() const;
    // Puts the file first; an entry naming the same file (ZsSamePath) goes.
    void Add(const std::filesystem::path& path);
    void Remove(size_t nIndex);
    const std::vector<std::filesystem::path>& Files() const { return mFiles; }

private:
    size_t mnMax;
    std::vector<std::filesystem::path> mFiles;
};
