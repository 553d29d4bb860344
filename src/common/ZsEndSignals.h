// Files that must not outlive a process ended by Ctrl+C, SIGTERM or SIGHUP: the staging file of unsaved data
// can be as large as the import that made it. A program that has no handlers of its own for those signals
// installs ZsRemoveFilesAtEndSignals() once; from then on such a signal removes every file still listed, then
// every listed folder that is empty by then, and ends the process as the signal would have. A program with
// handlers of its own (the desktop program closes its window) keeps them, and its files go the ordinary way.
#pragma once

#include <filesystem>

// Installs the handlers for the signals whose action is still the default one.
void ZsRemoveFilesAtEndSignals();

// Lists a file (or a folder, removed when empty) for removal at an end signal, or takes it off the list
// again (when it was removed or kept in the ordinary way). At most a few files are listed at once; false
// when the list is full or the path too long.
bool ZsListForEndSignals(const std::filesystem::path& path);
void ZsUnlistForEndSignals(const std::filesystem::path& path);
