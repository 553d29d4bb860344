// Base utilities: the program's folders, safe file names and unique paths, path pieces, wildcard matching,
// directory walking, whole-file reading and writing, and a few small text helpers.
#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <initializer_list>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

using ZsBlock = std::vector<uint8_t>;
using ZsBytes = std::span<const uint8_t>;

// The product name, as shown in captions and used for the data folder.
inline constexpr const char* ZS_PRODUCT_NAME = "Pictavo";

// Folders, computed once on first use and kept for the life of the process, always with a trailing
// separator. The program folder holds the executables and the files they load (else "../share/pictavo/").
// The user's folders follow the XDG base directories, each "Pictavo" in its base and created when missing:
// the data folder (the first-run library) in $XDG_DATA_HOME (default ~/.local/share), the settings folder
// (config.ini and config_mfc.ini) in $XDG_CONFIG_HOME (default ~/.config), the state folder (log.txt) in
// $XDG_STATE_HOME (default ~/.local/state), and the cache folder (the staging files of unsaved data, and the
// temporary folder "Temp" deleted at exit) in $XDG_CACHE_HOME (default ~/.cache). A base that is not an
// absolute path is ignored, as the rules of those folders ask. Earlier versions kept everything in the data
// folder: on first use the settings and state folders take over their files from there (where they have
// none yet), and the cache folder removes the old "Temp". Documents are the XDG documents folder (default
// ~/Documents, else home).
std::filesystem::path ZsGetAppDir();
// The folder of the running executable itself, whether or not its files lie beside it.
std::filesystem::path ZsGetExecutableDir();
std::filesystem::path ZsGetDataDir();
std::filesystem::path ZsGetConfigDir();
std::filesystem::path ZsGetStateDir();
std::filesystem::path ZsGetCacheDir();
std::filesystem::path ZsGetTempDir();
std::filesystem::path ZsGetDocumentsDir();
// "Pictavo" in the XDG base folder that the variable names when that is an absolute path, else in its
// default below home (homeDefault, such as ".config"); created when missing, with a trailing separator.
std::filesystem::path ZsGetXdgFolder(const char* pszVariable, const std::filesystem::path& homeDefault);
// Moves the named files from one folder into another, each only when the other has no entry of that name
// (never replacing what is there) and when it is a regular file; across file systems the copy is complete
// before the source goes. Returns how many moved.
int ZsMoveFilesOnce(const std::filesystem::path& from, const std::filesystem::path& to,
                    std::initializer_list<const char*> names);
std::filesystem::path ZsGetProgramFilesDir();

// Makes a file name from any text: drops the reserved characters \ / : * ? " < > | and control characters,
// trims white space at both ends, drops one trailing ".", and gives "Noname" for an empty result or for "."
// and "..".
std::string ZsMakeFileName(std::string_view text);

// Path pieces of a path written as text with the native separator.
std::string ZsGetPathFolder(std::string_view path);  // up to and including the last separator
std::string ZsGetPathTitle(std::string_view path);   // after the last separator, up to the last "."
std::string ZsGetPathExt(std::string_view path);     // after the last "." of the name, without the dot
std::string ZsWithTrailingSep(std::string_view folder);
// The folder of a path without its trailing separator (one trailing separator of the path is ignored);
// empty when the path has no separator.
std::string ZsGetFolderOf(std::string_view path);

// The path itself when nothing exists there, else the first free "<path> (2)", "<path> (3)", ... With
// pnNext the numbers start at *pnNext, which then becomes the number after the one taken: a caller that
// takes many numbered paths of one name in turn looks at each number once.
std::filesystem::path ZsUniquePath(const std::filesystem::path& path, int* pnNext = nullptr);
// folder + name + extension, or the first free "<name> (2)<ext>", ...; the extension gets a leading "."
// when it has none. The one-argument form splits a full path first.
std::filesystem::path ZsUniqueFilePath(const std::filesystem::path& folder, std::string_view name,
                                       std::string_view ext);
std::filesystem::path ZsUniqueFilePath(const std::filesystem::path& path);

// The n-th field (from 0) of a ";"-separated text; the last field runs to the end; a missing field is empty.
std::string ZsGetField(std::string_view text, int n);

// Bytes as capital hexadecimal digits, two per byte, and back (a trailing odd digit is ignored; a pair that
// is not hexadecimal ends the decoding).
std::string ZsHexEncode(ZsBytes bytes);
ZsBlock ZsHexDecode(std::string_view text);

// An SQL string literal: every "'" doubled, the whole in single quotes.
std::string ZsSqlQuote(std::string_view text);

// "*" matches any run of characters, "?" exactly one; the whole name must match. Case-insensitive matching
// folds non-ASCII letters too.
bool ZsMatchWildcard(std::string_view name, std::string_view pattern, bool bCaseSensitive);
// The ";"-separated list is tried in order, not case-sensitive; it ends at its first empty pattern.
bool ZsMatchWildcards(std::string_view name, std::string_view list);

// Walks a folder: every file matching the wildcard list is counted and added to *pFiles, every subfolder
// added to *pDirs at once and, with bRecurse, walked after the folder's own entries. Entries of one folder
// are taken in name order. Returns the number of matching files; a folder that cannot be read adds nothing.
int ZsFindFiles(const std::filesystem::path& folder, std::string_view list, bool bRecurse,
                std::vector<std::filesystem::path>* pFiles, std::vector<std::filesystem::path>* pDirs);

// A compiled regular expression over text in the ECMAScript syntax, optionally case-insensitive (non-ASCII
// letters included). The engine runs in time linear in the text and never recurses, so no pattern or text
// can exhaust the stack or run away; in exchange backreferences ("\1") and lookaround ("(?=", "(?!") are not
// offered. An invalid or unsupported pattern is refused with the engine's message, never thrown.
class CZsRegex {
public:
    CZsRegex();
    ~CZsRegex();
    CZsRegex(CZsRegex&&) noexcept;
    CZsRegex& operator=(CZsRegex&&) noexcept;

    // With bWhole the pattern must match the whole text ("^(?:" + pattern + ")$").
    bool Compile(std::string_view pattern, bool bIgnoreCase, bool bWhole, std::string* pError = nullptr);
    bool Search(std::string_view text) const;

private:
    struct Impl;
    std::unique_ptr<Impl> mpImpl;
};

// One-off search; false with *pError set for an invalid pattern.
bool ZsRegexSearch(std::string_view text, std::string_view pattern, bool bIgnoreCase, bool bWhole,
                   std::string* pError = nullptr);

// Opens a file for reading only when it is a regular file, as the opened descriptor tells, not its name: a
// FIFO, a device, a socket or a folder (also behind a link) is refused, and the open itself never waits for
// a FIFO's writer. The descriptor (close-on-exec, blocking reads) with the file's size in *pnSize (may be
// null); -1, with the reason in *pError ("it is not a regular file" or the system's text), when it cannot
// be opened.
int ZsOpenRegularFile(const std::filesystem::path& path, uint64_t* pnSize, std::string* pError = nullptr);
// The same as a stream for reading bytes, closed with std::fclose.
std::FILE* ZsOpenRegularFileStream(const std::filesystem::path& path, uint64_t* pnSize,
                                   std::string* pError = nullptr);
// Reads a whole regular file (opened as ZsOpenRegularFile opens it). None, with the reason in *pError, when
// it cannot be opened or read, or is larger than nMaxBytes, which is checked before anything is allocated.
std::optional<ZsBlock> ZsReadFile(const std::filesystem::path& path, uint64_t nMaxBytes = UINT64_C(1) << 32,
                                  std::string* pError = nullptr);
// The first nBytes of a regular file, fewer when it is shorter; none, with the reason, as ZsReadFile.
std::optional<ZsBlock> ZsReadFileHead(const std::filesystem::path& path, size_t nBytes,
                                      std::string* pError = nullptr);

// Asks the system to back a large buffer that is about to be filled with memory at once: the first touch of
// fresh memory costs a fault per page, dearly so on virtual machines (some 12 us each), and a 4 MB picture is
// a thousand pages. From 256 KiB the pages are made in one call (about a fifth of the cost of faulting them
// one by one), from 2 MiB huge pages are asked for too. Does nothing for smaller buffers.
void ZsAdviseLargeBuffer(const void* p, size_t nBytes);
// Loads a shared library by its file name (as the system's loader searches for it) on first use, for
// libraries that only some runs need and that would otherwise cost every start of the program their loading
// time; null, with the loader's sentence in *pError, when it cannot be loaded. The library stays loaded.
void* ZsOpenSharedLibrary(const char* pszName, std::string* pError = nullptr);
// The address of a symbol of a library opened by ZsOpenSharedLibrary, searched in it and in the libraries it
// depends on; null when there is none.
void* ZsFindSharedSymbol(void* pLibrary, const char* pszSymbol);
// Uninitialised memory for large data that is about to be written, made at once as ZsAdviseLargeBuffer
// makes it; from 1 MiB aligned to and rounded up to whole huge pages, so that the system can back it with a
// few of them instead of hundreds of small pages (a buffer that merely holds a huge page's worth of
// addresses rarely gets one: the allocator has already touched its first page). Null when out of memory.
struct ZsLargeBufferDeleter {
    void operator()(uint8_t* p) const;
};
using ZsLargeBuffer = std::unique_ptr<uint8_t[], ZsLargeBufferDeleter>;
ZsLargeBuffer ZsAllocLargeBuffer(size_t nBytes);
// Creates or truncates the file and writes the whole buffer; true when every byte was written.
bool ZsWriteFile(const std::filesystem::path& path, ZsBytes bytes);
// Writes next to the target and renames over it, so the target is either old or new, never half written.
bool ZsWriteFileAtomic(const std::filesystem::path& path, ZsBytes bytes);
// The file's last-write time in nanoseconds since the epoch; 0 when it does not exist.
int64_t ZsGetFileTime(const std::filesystem::path& path);
// The identity of the file a path names now (device and file number): another file put in its place has
// another. None when it cannot be asked.
struct ZS_FILE_ID {
    uint64_t nDevice = 0;
    uint64_t nFile = 0;
    bool operator==(const ZS_FILE_ID&) const = default;
};
std::optional<ZS_FILE_ID> ZsGetFileId(const std::filesystem::path& path);
// Deletes a folder with everything in it; false when it does not exist or cannot be deleted whole.
bool ZsDeleteTree(const std::filesystem::path& folder);

// Whether a process of that id is running (a started program that has not ended yet).
bool ZsProcessExists(int64_t nPid);

// A path as UTF-8 text and back (paths are bytes on this platform; the core's strings are UTF-8).
std::string ZsPathToUtf8(const std::filesystem::path& path);
std::filesystem::path ZsPathFromUtf8(std::string_view text);

// Whether two paths name the same file: where both exist, whether they are one file (through links, "..",
// other spellings); otherwise whether their absolute forms agree once "." and ".." are resolved and the
// links of their existing parts followed. Letter case counts where the file system's names keep it apart
// (everywhere but Windows). An empty path is never the same as anything.
bool ZsSamePath(const std::filesystem::path& a, const std::filesystem::path& b);
