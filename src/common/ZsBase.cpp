#include "common/ZsBase.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <initializer_list>
#include <sstream>
#include <system_error>

#include <dlfcn.h>
#include <fcntl.h>
#include <re2/re2.h>
#include <signal.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "common/ZsText.h"

namespace fs = std::filesystem;

namespace {

fs::path WithSep(fs::path p) {
    if (!p.empty() && !p.native().ends_with(fs::path::preferred_separator)) {
        p += fs::path::preferred_separator;
    }
    return p;
}

std::string EnvValue(const char* name) {
    const char* v = std::getenv(name);
    return v ? std::string(v) : std::string();
}

fs::path HomeDir() {
    std::string home = EnvValue("HOME");
    return home.empty() ? fs::path() : fs::path(home);
}

bool IsSep(char c) {
#if defined(_WIN32)
    return c == '\\' || c == '/';
#else
    return c == '/';
#endif
}

size_t LastSep(std::string_view path) {
    for (size_t i = path.size(); i-- > 0;) {
        if (IsSep(path[i])) {
            return i;
        }
    }
    return std::string_view::npos;
}

// The documents folder named in the user's XDG settings file, with $HOME expanded.
fs::path XdgUserDir(const char* key) {
    std::string config = EnvValue("XDG_CONFIG_HOME");
    fs::path file =
        config.empty() ? HomeDir() / ".config" / "user-dirs.dirs" : fs::path(config) / "user-dirs.dirs";
    // A settings file of a few lines; anything that is no regular file or far larger is not read.
    const std::optional<ZsBlock> bytes = ZsReadFile(file, 1 << 20);
    std::istringstream in(bytes ? std::string(bytes->begin(), bytes->end()) : std::string());
    std::string line;
    std::string prefix = std::string(key) + "=\"";
    while (std::getline(in, line)) {
        if (!line.starts_with(prefix) || line.size() < prefix.size() + 1 || line.back() != '"') {
            continue;
        }
        std::string value = line.substr(prefix.size(), line.size() - prefix.size() - 1);
        if (value.starts_with("$HOME")) {
            return HomeDir() / fs::path(value.substr(5)).relative_path();
        }
        if (!value.empty() && value[0] == '/') {
            return fs::path(value);
        }
    }
    return fs::path();
}

}  // namespace

fs::path ZsGetExecutableDir() {
    static const fs::path dir = [] {
        std::error_code ec;
#if defined(__linux__)
        fs::path exe = fs::read_symlink("/proc/self/exe", ec);
        if (!ec) {
            return WithSep(exe.parent_path());
        }
#endif
        return WithSep(fs::current_path(ec));
    }();
    return dir;
}

fs::path ZsGetAppDir() {
    static const fs::path dir = [] {
        fs::path exeDir = ZsGetExecutableDir().parent_path();
        std::error_code ec;
        if (fs::exists(exeDir / "Template.icl", ec) || fs::exists(exeDir / "Images", ec)) {
            return WithSep(exeDir);
        }
        fs::path share = exeDir.parent_path() / "share" / "pictavo";
        if (fs::is_directory(share, ec)) {
            return WithSep(share);
        }
        return WithSep(exeDir);
    }();
    return dir;
}

fs::path ZsGetDataDir() {
    static const fs::path dir = ZsGetXdgFolder("XDG_DATA_HOME", fs::path(".local") / "share");
    return dir;
}

fs::path ZsGetConfigDir() {
    static const fs::path dir = [] {
        fs::path result = ZsGetXdgFolder("XDG_CONFIG_HOME", ".config");
        ZsMoveFilesOnce(ZsGetDataDir(), result, {"config.ini", "config_mfc.ini"});
        return result;
    }();
    return dir;
}

fs::path ZsGetStateDir() {
    static const fs::path dir = [] {
        fs::path result = ZsGetXdgFolder("XDG_STATE_HOME", fs::path(".local") / "state");
        ZsMoveFilesOnce(ZsGetDataDir(), result, {"log.txt"});
        return result;
    }();
    return dir;
}

fs::path ZsGetCacheDir() {
    static const fs::path dir = [] {
        fs::path result = ZsGetXdgFolder("XDG_CACHE_HOME", ".cache");
        // Passing files of an earlier version that ended without cleaning up; nothing there is kept.
        const fs::path old = ZsGetDataDir() / "Temp";
        std::error_code ec;
        if (!ZsSamePath(old, result / "Temp") && fs::is_directory(fs::symlink_status(old, ec))) {
            fs::remove_all(old, ec);
        }
        return result;
    }();
    return dir;
}

fs::path ZsGetTempDir() {
    static const fs::path dir = [] {
        fs::path result = ZsGetCacheDir() / "Temp";
        std::error_code ec;
        fs::create_directories(result, ec);
        return WithSep(result);
    }();
    return dir;
}

fs::path ZsGetXdgFolder(const char* pszVariable, const fs::path& homeDefault) {
    std::string xdg = EnvValue(pszVariable);
    fs::path base;
    if (!xdg.empty() && fs::path(xdg).is_absolute()) {
        base = xdg;
    } else if (!HomeDir().empty()) {
        base = HomeDir() / homeDefault;
    }
    fs::path result = base / ZsMakeFileName(ZS_PRODUCT_NAME);
    std::error_code ec;
    fs::create_directories(result, ec);
    return WithSep(result);
}

int ZsMoveFilesOnce(const fs::path& from, const fs::path& to, std::initializer_list<const char*> names) {
    if (ZsSamePath(from, to)) {
        return 0;
    }
    int nMoved = 0;
    for (const char* pszName : names) {
        std::error_code ec;
        const fs::path source = from / pszName;
        const fs::path target = to / pszName;
        if (!fs::is_regular_file(fs::symlink_status(source, ec)) ||
            fs::exists(fs::symlink_status(target, ec))) {
            continue;
        }
        fs::rename(source, target, ec);
        if (ec) {
            // Another file system: a copy that is complete before the old file goes.
            if (!fs::copy_file(source, target, fs::copy_options::none, ec)) {
                continue;
            }
            fs::remove(source, ec);
        }
        ++nMoved;
    }
    return nMoved;
}

fs::path ZsGetDocumentsDir() {
    static const fs::path dir = [] {
        std::error_code ec;
        fs::path docs = XdgUserDir("XDG_DOCUMENTS_DIR");
        if (docs.empty() || !fs::is_directory(docs, ec)) {
            docs = HomeDir() / "Documents";
            if (!fs::is_directory(docs, ec)) {
                docs = HomeDir();
            }
        }
        return docs.empty() ? docs : WithSep(docs);
    }();
    return dir;
}

fs::path ZsGetProgramFilesDir() {
#if defined(_WIN32)
    std::string pf = EnvValue("ProgramFiles");
    return pf.empty() ? fs::path() : WithSep(fs::path(pf));
#else
    return fs::path("/usr/bin/");
#endif
}

std::string ZsMakeFileName(std::string_view text) {
    static const std::u32string_view reserved = U"\\/:*?\"<>|";
    std::u32string name;
    for (char32_t ch : ZsDecodeUtf8(text)) {
        if (ch < 0x20 || (ch >= 0x7F && ch <= 0x9F) || reserved.find(ch) != std::u32string_view::npos) {
            continue;
        }
        name.push_back(ch);
    }
    auto isSpace = [](char32_t ch) { return ch == ' '; };
    while (!name.empty() && isSpace(name.back())) {
        name.pop_back();
    }
    size_t start = 0;
    while (start < name.size() && isSpace(name[start])) {
        ++start;
    }
    name.erase(0, start);
    if (!name.empty() && name.back() == U'.') {
        name.pop_back();
    }
    if (name.empty() || name == U"." || name == U"..") {
        return "Noname";
    }
    return ZsEncodeUtf8(name);
}

std::string ZsGetPathFolder(std::string_view path) {
    size_t pos = LastSep(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos + 1));
}

std::string ZsGetPathTitle(std::string_view path) {
    size_t pos = LastSep(path);
    std::string_view name = pos == std::string_view::npos ? path : path.substr(pos + 1);
    size_t dot = name.rfind('.');
    return std::string(dot == std::string_view::npos ? name : name.substr(0, dot));
}

std::string ZsGetPathExt(std::string_view path) {
    size_t pos = LastSep(path);
    size_t dot = path.rfind('.');
    if (dot == std::string_view::npos || (pos != std::string_view::npos && dot < pos)) {
        return std::string();
    }
    return std::string(path.substr(dot + 1));
}

std::string ZsWithTrailingSep(std::string_view folder) {
    std::string s(folder);
    if (s.empty() || !IsSep(s.back())) {
        s.push_back(static_cast<char>(fs::path::preferred_separator));
    }
    return s;
}

std::string ZsGetFolderOf(std::string_view path) {
    if (!path.empty() && IsSep(path.back())) {
        path.remove_suffix(1);
    }
    size_t pos = LastSep(path);
    return pos == std::string_view::npos ? std::string() : std::string(path.substr(0, pos));
}

fs::path ZsUniquePath(const fs::path& path, int* pnNext) {
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec))) {
        return path;
    }
    for (int n = pnNext ? *pnNext : 2;; ++n) {
        fs::path candidate = path;
        candidate += ZsFormat(" (%d)", n);
        if (!fs::exists(fs::symlink_status(candidate, ec))) {
            if (pnNext) {
                *pnNext = n + 1;
            }
            return candidate;
        }
    }
}

fs::path ZsUniqueFilePath(const fs::path& folder, std::string_view name, std::string_view ext) {
    std::string sExt = !ext.empty() && ext[0] != '.' ? "." + std::string(ext) : std::string(ext);
    std::error_code ec;
    fs::path candidate = folder / ZsPathFromUtf8(std::string(name) + sExt);
    for (int n = 2; fs::exists(fs::symlink_status(candidate, ec)); ++n) {
        candidate =
            folder / ZsPathFromUtf8(ZsFormat("%s (%d)%s", std::string(name).c_str(), n, sExt.c_str()));
    }
    return candidate;
}

fs::path ZsUniqueFilePath(const fs::path& path) {
    std::string text = ZsPathToUtf8(path);
    return ZsUniqueFilePath(ZsPathFromUtf8(ZsGetPathFolder(text)), ZsGetPathTitle(text), ZsGetPathExt(text));
}

std::string ZsGetField(std::string_view text, int n) {
    if (n < 0) {
        return std::string();
    }
    for (int i = 0; i < n; ++i) {
        size_t pos = text.find(';');
        if (pos == std::string_view::npos) {
            return std::string();
        }
        text.remove_prefix(pos + 1);
    }
    size_t pos = text.find(';');
    return std::string(pos == std::string_view::npos ? text : text.substr(0, pos));
}

std::string ZsHexEncode(ZsBytes bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string s;
    s.reserve(2 * bytes.size());
    for (uint8_t b : bytes) {
        s.push_back(digits[b >> 4]);
        s.push_back(digits[b & 15]);
    }
    return s;
}

ZsBlock ZsHexDecode(std::string_view text) {
    auto value = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'A' && c <= 'F')
            return c - 'A' + 10;
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    ZsBlock out;
    out.reserve(text.size() / 2);
    for (size_t i = 0; i + 1 < text.size(); i += 2) {
        int hi = value(text[i]);
        int lo = value(text[i + 1]);
        if (hi < 0 || lo < 0) {
            break;
        }
        out.push_back(static_cast<uint8_t>(hi * 16 + lo));
    }
    return out;
}

std::string ZsSqlQuote(std::string_view text) {
    std::string s;
    s.reserve(text.size() + 2);
    s.push_back('\'');
    for (char c : text) {
        if (c == '\'') {
            s.push_back('\'');
        }
        s.push_back(c);
    }
    s.push_back('\'');
    return s;
}

namespace {

// Iterative wildcard match with one backtracking point: linear in practice, never exponential.
bool MatchCodePoints(std::u32string_view name, std::u32string_view pattern) {
    size_t n = 0, p = 0;
    size_t starP = std::u32string_view::npos, starN = 0;
    while (n < name.size()) {
        if (p < pattern.size() && (pattern[p] == U'?' || pattern[p] == name[n]) && pattern[p] != U'*') {
            ++n, ++p;
        } else if (p < pattern.size() && pattern[p] == U'*') {
            starP = p++;
            starN = n;
        } else if (starP != std::u32string_view::npos) {
            p = starP + 1;
            n = ++starN;
        } else {
            return false;
        }
    }
    while (p < pattern.size() && pattern[p] == U'*') {
        ++p;
    }
    return p == pattern.size();
}

}  // namespace

bool ZsMatchWildcard(std::string_view name, std::string_view pattern, bool bCaseSensitive) {
    std::u32string n = ZsDecodeUtf8(name);
    std::u32string p = ZsDecodeUtf8(pattern);
    if (!bCaseSensitive) {
        n = ZsToLower(n);
        p = ZsToLower(p);
    }
    return MatchCodePoints(n, p);
}

bool ZsMatchWildcards(std::string_view name, std::string_view list) {
    std::u32string n = ZsToLower(ZsDecodeUtf8(name));
    while (true) {
        size_t pos = list.find(';');
        std::string_view pattern = list.substr(0, pos);
        if (pattern.empty()) {
            return false;
        }
        if (MatchCodePoints(n, ZsToLower(ZsDecodeUtf8(pattern)))) {
            return true;
        }
        if (pos == std::string_view::npos) {
            return false;
        }
        list.remove_prefix(pos + 1);
    }
}

int ZsFindFiles(const fs::path& folder, std::string_view list, bool bRecurse, std::vector<fs::path>* pFiles,
                std::vector<fs::path>* pDirs) {
    int nFound = 0;
    // A stack of the folders still to walk: a folder's own entries first, then its subfolders in the order
    // they were met, each with its own subfolders before the next.
    std::vector<fs::path> pending{folder};
    while (!pending.empty()) {
        const fs::path dir = std::move(pending.back());
        pending.pop_back();
        std::error_code ec;
        fs::directory_iterator it(dir, fs::directory_options::skip_permission_denied, ec);
        if (ec) {
            continue;
        }
        std::vector<fs::directory_entry> entries;
        for (; it != fs::directory_iterator(); it.increment(ec)) {
            if (ec) {
                break;
            }
            entries.push_back(*it);
        }
        std::sort(entries.begin(), entries.end(),
                  [](const fs::directory_entry& a, const fs::directory_entry& b) {
                      return a.path().filename() < b.path().filename();
                  });
        std::vector<fs::path> subdirs;
        for (const fs::directory_entry& entry : entries) {
            std::error_code ec2;
            if (entry.is_directory(ec2)) {
                if (pDirs) {
                    pDirs->push_back(entry.path());
                }
                if (bRecurse && !entry.is_symlink(ec2)) {
                    subdirs.push_back(entry.path());
                }
            } else if (ZsMatchWildcards(ZsPathToUtf8(entry.path().filename()), list)) {
                ++nFound;
                if (pFiles) {
                    pFiles->push_back(entry.path());
                }
            }
        }
        // The subfolders of this folder are walked right after it, before the folders still waiting.
        pending.insert(pending.end(), std::make_move_iterator(subdirs.rbegin()),
                       std::make_move_iterator(subdirs.rend()));
    }
    return nFound;
}

struct CZsRegex::Impl {
    std::unique_ptr<re2::RE2> pRe;
    bool bIgnoreCase = false;
};

namespace {

// The value of a hex digit; -1 for any other character.
int HexValue(char32_t ch) {
    return ch >= U'0' && ch <= U'9'   ? static_cast<int>(ch - U'0')
           : ch >= U'a' && ch <= U'f' ? static_cast<int>(ch - U'a') + 10
           : ch >= U'A' && ch <= U'F' ? static_cast<int>(ch - U'A') + 10
                                      : -1;
}

// The code unit of "\uXXXX" at pattern[i] (the backslash); none when no four hex digits follow.
std::optional<char32_t> UnicodeEscape(std::u32string_view pattern, size_t i) {
    if (i + 6 > pattern.size() || pattern[i] != U'\\' || pattern[i + 1] != U'u') {
        return std::nullopt;
    }
    char32_t value = 0;
    for (size_t k = i + 2; k < i + 6; ++k) {
        int nDigit = HexValue(pattern[k]);
        if (nDigit < 0) {
            return std::nullopt;
        }
        value = value * 16 + static_cast<char32_t>(nDigit);
    }
    return value;
}

void AppendHexEscape(std::u32string& out, char32_t ch) {
    out += U"\\x{";
    for (char c : ZsFormat("%X", static_cast<unsigned>(ch))) {
        out.push_back(static_cast<char32_t>(c));
    }
    out.push_back(U'}');
}

// The escapes of the search's syntax that the engine spells differently: "\uXXXX" (a surrogate pair of
// them is one character) and "\cX" become "\x{...}". Everything else is the same in both.
std::u32string ToEngineSyntax(std::u32string_view pattern) {
    std::u32string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != U'\\' || i + 1 >= pattern.size()) {
            out.push_back(pattern[i]);
            continue;
        }
        char32_t next = pattern[i + 1];
        if (std::optional<char32_t> unit = UnicodeEscape(pattern, i)) {
            char32_t ch = *unit;
            i += 5;
            if (ch >= 0xD800 && ch <= 0xDBFF) {
                if (std::optional<char32_t> low = UnicodeEscape(pattern, i + 1);
                    low && *low >= 0xDC00 && *low <= 0xDFFF) {
                    ch = 0x10000 + ((ch - 0xD800) << 10) + (*low - 0xDC00);
                    i += 6;
                }
            }
            AppendHexEscape(out, ch);
        } else if (next == U'c' && i + 2 < pattern.size() &&
                   ((pattern[i + 2] >= U'a' && pattern[i + 2] <= U'z') ||
                    (pattern[i + 2] >= U'A' && pattern[i + 2] <= U'Z'))) {
            AppendHexEscape(out, pattern[i + 2] % 32);
            i += 2;
        } else {
            out.push_back(pattern[i]);
            out.push_back(pattern[++i]);
        }
    }
    return out;
}

// The character of "\x{...}" or "\xHH" whose "x" is at pattern[i]; *pEnd is then the index of its last
// character. None when no hex number follows.
std::optional<char32_t> HexEscape(std::u32string_view pattern, size_t i, size_t* pEnd) {
    bool bBraces = i + 1 < pattern.size() && pattern[i + 1] == U'{';
    size_t nFirst = i + (bBraces ? 2 : 1);
    size_t nLimit = bBraces ? pattern.size() : std::min(pattern.size(), nFirst + 2);
    size_t k = nFirst;
    char32_t value = 0;
    for (; k < nLimit && HexValue(pattern[k]) >= 0 && value <= 0x10FFFF; ++k) {
        value = value * 16 + static_cast<char32_t>(HexValue(pattern[k]));
    }
    if (k == nFirst || (bBraces ? k >= pattern.size() || pattern[k] != U'}' : k != nFirst + 2)) {
        return std::nullopt;
    }
    *pEnd = bBraces ? k : k - 1;
    return value;
}

// Folds the literal characters of a pattern, those written as "\x" escapes included, and leaves other
// escapes alone: "\W" and "\w" must keep their meaning, and so must the names of "\p{...}".
std::u32string FoldPattern(std::u32string_view pattern) {
    std::u32string out;
    out.reserve(pattern.size());
    for (size_t i = 0; i < pattern.size(); ++i) {
        if (pattern[i] != U'\\' || i + 1 >= pattern.size()) {
            out.push_back(ZsToLower(pattern[i]));
            continue;
        }
        char32_t name = pattern[++i];
        size_t nEnd = 0;
        if (name == U'x') {
            if (std::optional<char32_t> ch = HexEscape(pattern, i, &nEnd)) {
                AppendHexEscape(out, ZsToLower(*ch));
                i = nEnd;
                continue;
            }
        }
        out.push_back(U'\\');
        out.push_back(name);
        if ((name == U'p' || name == U'P') && i + 1 < pattern.size() && pattern[i + 1] == U'{') {
            while (++i < pattern.size()) {
                out.push_back(pattern[i]);
                if (pattern[i] == U'}') {
                    break;
                }
            }
        }
    }
    return out;
}

}  // namespace

CZsRegex::CZsRegex() : mpImpl(std::make_unique<Impl>()) {}
CZsRegex::~CZsRegex() = default;
CZsRegex::CZsRegex(CZsRegex&&) noexcept = default;
CZsRegex& CZsRegex::operator=(CZsRegex&&) noexcept = default;

bool CZsRegex::Compile(std::string_view pattern, bool bIgnoreCase, bool bWhole, std::string* pError) {
    std::u32string p = ToEngineSyntax(ZsDecodeUtf8(pattern));
    // Case-insensitive matching folds both the text and the pattern's literals with the same Unicode mapping
    // as the plain search, so that both kinds of search agree on what "ignoring case" means.
    if (bIgnoreCase) {
        p = FoldPattern(p);
    }
    if (bWhole) {
        p = U"^(?:" + p + U")$";
    }
    RE2::Options options;
    options.set_encoding(RE2::Options::EncodingUTF8);
    options.set_log_errors(false);
    auto pRe = std::make_unique<re2::RE2>(ZsEncodeUtf8(p), options);
    if (!pRe->ok()) {
        if (pError) {
            *pError = pRe->error();
        }
        mpImpl->pRe.reset();
        return false;
    }
    mpImpl->pRe = std::move(pRe);
    mpImpl->bIgnoreCase = bIgnoreCase;
    return true;
}

bool CZsRegex::Search(std::string_view text) const {
    if (!mpImpl->pRe) {
        return false;
    }
    if (mpImpl->bIgnoreCase) {
        std::string folded = ZsToLower(text);
        return re2::RE2::PartialMatch(folded, *mpImpl->pRe);
    }
    return re2::RE2::PartialMatch(re2::StringPiece(text.data(), text.size()), *mpImpl->pRe);
}

bool ZsRegexSearch(std::string_view text, std::string_view pattern, bool bIgnoreCase, bool bWhole,
                   std::string* pError) {
    CZsRegex re;
    return re.Compile(pattern, bIgnoreCase, bWhole, pError) && re.Search(text);
}

void ZsAdviseLargeBuffer(const void* p, size_t nBytes) {
    constexpr size_t kPopulate = size_t{256} << 10;
    constexpr size_t kHugePage = size_t{2} << 20;
    if (!p || nBytes < kPopulate) {
        return;
    }
    const uintptr_t nPage = static_cast<uintptr_t>(sysconf(_SC_PAGESIZE));
    const uintptr_t nStart = reinterpret_cast<uintptr_t>(p) & ~(nPage - 1);
    const uintptr_t nEnd = (reinterpret_cast<uintptr_t>(p) + nBytes + nPage - 1) & ~(nPage - 1);
    // Only advice: where the system has no huge pages, or cannot populate ahead, the pages come as they are
    // touched.
    if (nBytes >= kHugePage) {
        madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_HUGEPAGE);
    }
#ifdef MADV_POPULATE_WRITE
    madvise(reinterpret_cast<void*>(nStart), nEnd - nStart, MADV_POPULATE_WRITE);
#endif
}

void ZsLargeBufferDeleter::operator()(uint8_t* p) const {
    std::free(p);
}

ZsLargeBuffer ZsAllocLargeBuffer(size_t nBytes) {
    constexpr size_t kHugePage = size_t{2} << 20;
    const bool bHuge = nBytes >= (size_t{1} << 20);
    const size_t nAlign = bHuge ? kHugePage : alignof(std::max_align_t);
    if (nBytes > SIZE_MAX - nAlign) {
        return nullptr;
    }
    const size_t nRounded = bHuge ? (nBytes + nAlign - 1) / nAlign * nAlign : std::max<size_t>(nBytes, 1);
    void* p = nullptr;
    if (posix_memalign(&p, nAlign, nRounded) != 0) {
        return nullptr;
    }
    ZsAdviseLargeBuffer(p, nRounded);
    return ZsLargeBuffer(static_cast<uint8_t*>(p));
}

void* ZsOpenSharedLibrary(const char* pszName, std::string* pError) {
    void* pLibrary = dlopen(pszName, RTLD_NOW | RTLD_LOCAL);
    if (!pLibrary && pError) {
        const char* pszWhy = dlerror();
        *pError = pszWhy ? pszWhy : ZsFormat("%s cannot be loaded", pszName);
    }
    return pLibrary;
}

void* ZsFindSharedSymbol(void* pLibrary, const char* pszSymbol) {
    return pLibrary ? dlsym(pLibrary, pszSymbol) : nullptr;
}

namespace {

// read() that goes on after a signal; the bytes read, or -1.
ssize_t ReadSome(int fd, uint8_t* p, size_t n) {
    ssize_t nRead = 0;
    do {
        nRead = read(fd, p, n);
    } while (nRead < 0 && errno == EINTR);
    return nRead;
}

}  // namespace

int ZsOpenRegularFile(const fs::path& path, uint64_t* pnSize, std::string* pError) {
    const auto fail = [pError](const char* pszReason) {
        if (pError) {
            *pError = pszReason ? pszReason : std::generic_category().message(errno);
        }
        return -1;
    };
    // Non-blocking only for the open: a FIFO without a writer would hold it for ever.
    const int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        return fail(nullptr);
    }
    struct stat st {};
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        const int nError = errno;
        close(fd);
        errno = nError;
        return fail(S_ISREG(st.st_mode) || st.st_mode == 0 ? nullptr : "it is not a regular file");
    }
    const int nFlags = fcntl(fd, F_GETFL);
    if (nFlags >= 0) {
        fcntl(fd, F_SETFL, nFlags & ~O_NONBLOCK);
    }
    if (pnSize) {
        *pnSize = static_cast<uint64_t>(st.st_size);
    }
    return fd;
}

std::FILE* ZsOpenRegularFileStream(const fs::path& path, uint64_t* pnSize, std::string* pError) {
    const int fd = ZsOpenRegularFile(path, pnSize, pError);
    if (fd < 0) {
        return nullptr;
    }
    std::FILE* f = fdopen(fd, "rb");
    if (!f) {
        if (pError) {
            *pError = std::generic_category().message(errno);
        }
        close(fd);
    }
    return f;
}

namespace {

// Reads from the regular file up to nLimit bytes: with bWhole the whole file, refused when it is larger;
// otherwise its first nLimit bytes.
std::optional<ZsBlock> ReadRegularFile(const fs::path& path, uint64_t nLimit, bool bWhole,
                                       std::string* pError) {
    uint64_t nSize = 0;
    // Plain system calls: an import reads thousands of small files, and each call saved counts.
    const int fd = ZsOpenRegularFile(path, &nSize, pError);
    if (fd < 0) {
        return std::nullopt;
    }
    const std::unique_ptr<const int, void (*)(const int*)> closer(&fd, [](const int* p) { close(*p); });
    const auto fail = [pError](std::string sReason) -> std::optional<ZsBlock> {
        if (pError) {
            *pError = std::move(sReason);
        }
        return std::nullopt;
    };
    if (bWhole && nSize > nLimit) {
        return fail("it is larger than " + std::to_string(nLimit) + " bytes");
    }
    const uint64_t nExpected = std::min(nSize, nLimit);
    ZsBlock data;
    // Reading straight into a buffer of the file's size saves copying and growing it; a file that changes
    // size meanwhile is still read whole, up to the limit.
    data.reserve(nExpected);
    ZsAdviseLargeBuffer(data.data(), nExpected);
    data.resize(nExpected);
    size_t nHave = 0;
    while (nHave < data.size()) {
        const ssize_t n = ReadSome(fd, data.data() + nHave, data.size() - nHave);
        if (n < 0) {
            return fail(std::generic_category().message(errno));
        }
        if (n == 0) {
            break;
        }
        nHave += static_cast<size_t>(n);
    }
    data.resize(nHave);
    if (!bWhole || nHave < nExpected) {
        return data;
    }
    uint8_t buf[65536];
    while (true) {
        const ssize_t n = ReadSome(fd, buf, sizeof buf);
        if (n < 0) {
            return fail(std::generic_category().message(errno));
        }
        if (n == 0) {
            break;
        }
        if (data.size() + static_cast<size_t>(n) > nLimit) {
            return fail("it is larger than " + std::to_string(nLimit) + " bytes");
        }
        data.insert(data.end(), buf, buf + n);
    }
    return data;
}

}  // namespace

std::optional<ZsBlock> ZsReadFile(const fs::path& path, uint64_t nMaxBytes, std::string* pError) {
    return ReadRegularFile(path, nMaxBytes, true, pError);
}

std::optional<ZsBlock> ZsReadFileHead(const fs::path& path, size_t nBytes, std::string* pError) {
    return ReadRegularFile(path, nBytes, false, pError);
}

bool ZsWriteFile(const fs::path& path, ZsBytes bytes) {
    std::FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) {
        return false;
    }
    bool ok = bytes.empty() || std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size();
    ok = std::fclose(f) == 0 && ok;
    return ok;
}

bool ZsWriteFileAtomic(const fs::path& path, ZsBytes bytes) {
    fs::path temp = path;
    temp += ".new";
    temp = ZsUniquePath(temp);
    if (!ZsWriteFile(temp, bytes)) {
        std::error_code ec;
        fs::remove(temp, ec);
        return false;
    }
    std::error_code ec;
    fs::rename(temp, path, ec);
    if (ec) {
        fs::remove(temp, ec);
        return false;
    }
    return true;
}

int64_t ZsGetFileTime(const fs::path& path) {
    std::error_code ec;
    auto t = fs::last_write_time(path, ec);
    if (ec) {
        return 0;
    }
    auto sys = std::chrono::file_clock::to_sys(t);
    return std::chrono::duration_cast<std::chrono::nanoseconds>(sys.time_since_epoch()).count();
}

bool ZsDeleteTree(const fs::path& folder) {
    fs::path p = folder;
    std::string text = p.native();
    if (text.size() > 1 && IsSep(text.back())) {
        p = fs::path(text.substr(0, text.size() - 1));
    }
    std::error_code ec;
    if (!fs::is_directory(fs::symlink_status(p, ec))) {
        return false;
    }
    fs::remove_all(p, ec);
    return !ec;
}

std::string ZsPathToUtf8(const fs::path& path) {
#if defined(_WIN32)
    std::u8string s = path.u8string();
    return std::string(s.begin(), s.end());
#else
    return path.native();
#endif
}

fs::path ZsPathFromUtf8(std::string_view text) {
#if defined(_WIN32)
    return fs::path(std::u8string(text.begin(), text.end()));
#else
    return fs::path(std::string(text));
#endif
}

namespace {

// The absolute path with "." and ".." resolved and the links of its existing part followed; merely
// normalised when the file system cannot be asked.
fs::path NormalPath(const fs::path& path) {
    std::error_code ec;
    fs::path full = fs::absolute(path, ec);
    if (ec) {
        return path.lexically_normal();
    }
    fs::path canonical = fs::weakly_canonical(full, ec);
    return ec ? full.lexically_normal() : canonical;
}

}  // namespace

bool ZsSamePath(const fs::path& a, const fs::path& b) {
    if (a.empty() || b.empty()) {
        return false;
    }
    std::error_code ecA, ecB, ec;
    if (fs::exists(a, ecA) && fs::exists(b, ecB)) {
        return fs::equivalent(a, b, ec);
    }
#if defined(_WIN32)
    return ZsEqualNoCase(ZsPathToUtf8(NormalPath(a)), ZsPathToUtf8(NormalPath(b)));
#else
    return NormalPath(a) == NormalPath(b);
#endif
}

std::optional<ZS_FILE_ID> ZsGetFileId(const std::filesystem::path& path) {
    struct stat st {};
    if (stat(path.c_str(), &st) != 0) {
        return std::nullopt;
    }
    return ZS_FILE_ID{static_cast<uint64_t>(st.st_dev), static_cast<uint64_t>(st.st_ino)};
}

bool ZsProcessExists(int64_t nPid) {
    if (nPid <= 0 || nPid != static_cast<pid_t>(nPid)) {
        return false;
    }
    // Signal 0 only asks: a process owned by someone else still exists (EPERM).
    return kill(static_cast<pid_t>(nPid), 0) == 0 || errno == EPERM;
}
