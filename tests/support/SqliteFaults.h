// Faults of the file system under SQLite, for tests: a file layer installed as SQLite's default in front of
// the system's own, so that every connection opened while it lives goes through it. It can
// - make a folder's disk full: files under it cannot grow beyond a number of free bytes (writes inside a
//   file's present size still succeed, as on a real disk), and such writes fail with SQLITE_FULL;
// - count the operations that change files (writes, truncations, syncs, deletions); syncs are not carried
//   out, since nothing a killed process wrote is lost without them;
// - end the process with SIGKILL just before the nth of them, for tests that run a save in a child process.
#pragma once

#include <cstdint>
#include <filesystem>
#include <string>

namespace test {

class SqliteFaults {
public:
    SqliteFaults();
    ~SqliteFaults();
    SqliteFaults(const SqliteFaults&) = delete;
    SqliteFaults& operator=(const SqliteFaults&) = delete;

    // Files whose path begins with the folder may grow by nFreeBytes in all, from now on.
    void FillDisk(const std::filesystem::path& folder, uint64_t nFreeBytes);
    // Growth is unlimited again.
    void FreeDisk();
    // Counts the changing operations from now on, starting at 0.
    void StartCounting();
    int Count() const;
    // Raises SIGKILL just before the nth changing operation counted from now on (1 for the next one).
    void KillAt(int n);
};

}  // namespace test
