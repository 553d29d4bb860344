#include <stdlib.h>

#include <algorithm>
#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <new>

#include "cli/Cli.h"
#include "cli/CliProgress.h"
#include "common/ZsBase.h"
#include "common/ZsEndSignals.h"
#include "common/ZsFileTypes.h"
#include "common/ZsLog.h"
#include "icon/ZsIconSource.h"

namespace {

// The options every verb takes, and what the run has to say at its end.
struct RUN_STATE {
    bool bVerbose = false;
    bool bQuiet = false;
    // Questions are answered with OK only when the user said so with --yes.
    bool bYes = false;
    bool bJson = false;
    bool bJsonPrinted = false;
    // Standard output carries a file's data (a file written to "-"): nothing else may go there.
    bool bStdoutData = false;
    bool bStdinTaken = false;
    bool bStdoutFailed = false;
    std::string sVerb;
    CCliJson report = CCliJson::Object();
    const CCliArgs* pArgs = nullptr;
};
RUN_STATE gRun;
// The progress sink of the run, through which every line printed during long work goes.
CCliProgressSink* gpProgress = nullptr;

// bError: the line goes into the "errors" of --json too.
void PrintErrorLine(const std::string& text, bool bError = true) {
    if (gRun.bJson && bError) {
        gRun.report["errors"].Push(text);
    }
    std::string line = "pictavo-cli: " + text;
    if (gpProgress) {
        gpProgress->PrintLine(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

// Standard output flushed and checked; a failure (a full disk, a closed pipe) is told once. False when
// anything written there was lost.
// nWriteError: the error of a write that failed just before.
bool StdoutWritten(int nWriteError = 0) {
    if (gRun.bStdoutFailed) {
        return false;
    }
    errno = 0;
    const bool bFlushed = std::fflush(stdout) == 0;
    const int nError = nWriteError ? nWriteError : errno;
    if (bFlushed && !std::ferror(stdout)) {
        return true;
    }
    gRun.bStdoutFailed = true;
    gRun.bJson = false;
    PrintErrorLine(
        ZsFormat("cannot write to standard output: %s.", nError ? std::strerror(nError) : "write error"));
    return false;
}

int Info(CCliArgs& args) {
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 1) {
        return CliUsage("info takes one file.");
    }
    CCliInput input;
    int nCode = CLI_OK;
    if (!input.Open(files[0], nCode)) {
        return nCode;
    }
    const std::filesystem::path& path = input.Path();
    std::string sWhy;
    const std::optional<ZsBlock> head = ZsReadFileHead(path, 4096, &sWhy);
    if (!head) {
        return CliFail("cannot read '%s': %s.", input.Shown().c_str(), sWhy.c_str());
    }
    for (const CLI_INFO_KIND& kind : {CliIcoInfo(), CliModuleInfo(), CliLibraryInfo()}) {
        if (kind.match(path, *head)) {
            return kind.show(path, input.Shown(), CliJsonOutput());
        }
    }
    return CliFail("'%s' is not a file Pictavo knows.", input.Shown().c_str());
}

const CLI_VERB kInfoVerb{
    "info",
    "info [--json] FILE                 describe an icon file, Apple icon file, cursor, module or\n"
    "                                     icon library",
    Info,
    "An icon file: its images in file order (width, height, bit count, PNG or not, bytes). An Apple icon\n"
    "file or a cursor: the icon it becomes on import (an animated cursor: one per frame, \"FILE #n\").\n"
    "A classic icon library, program or DLL: its kind (ne or pe) and its icon groups with their\n"
    "images. An icon library (.pctv): its numbers of categories and icons. FILE may be \"-\" (standard\n"
    "input, its kind told by its content).\n"
    "\n"
    "  pictavo-cli info --json app.ico"};

// Every verb of the tool by name.
const std::map<std::string, CLI_VERB>& Verbs() {
    static const std::map<std::string, CLI_VERB> verbs = [] {
        std::map<std::string, CLI_VERB> all{{kInfoVerb.pszName, kInfoVerb}};
        for (auto list : {CliConvertVerbs, CliIcoVerbs, CliModuleVerbs, CliLibraryVerbs, CliLibEditVerbs,
                          CliLibIOVerbs, CliLibMoveVerbs, CliDesktopVerbs}) {
            for (const CLI_VERB& verb : list()) {
                all.emplace(verb.pszName, verb);
            }
        }
        return all;
    }();
    return verbs;
}

void PrintUsage(std::FILE* out) {
    std::fprintf(
        out,
        "Usage: pictavo-cli [OPTIONS] VERB ARGUMENTS...\n\n"
        "Converts icons between icon files, classic icon libraries, modules and pictures, and works on\n"
        "extended icon libraries (.pctv), from the command line. Icons are read from the file types\n"
        "listed below.\n\nVerbs:\n");
    for (const auto& [name, entry] : Verbs()) {
        if (*entry.pszSynopsis) {
            std::fprintf(out, "  %s\n", entry.pszSynopsis);
        }
    }
    std::fprintf(out, "\nFile types:\n%s", ZsFileTypeHelp().c_str());
    std::fprintf(
        out,
        "\nOptions for every verb, anywhere on the line: --verbose prints the log lines of long work;\n"
        "-q or --quiet shows no progress bar and leaves out the summary lines (errors are still told);\n"
        "--yes answers the questions a verb asks with OK; --json prints one JSON object on standard\n"
        "output instead of the text (see below); -h or --help after a verb prints that verb's help.\n"
        "An option's value follows it (--category PATH) or an equals sign (--category=PATH). \"--\" ends\n"
        "the options: every argument after it is a file or text, even one beginning with \"-\".\n"
        "--version prints the version.\n"
        "\nStandard input and output: \"-\" as a file to read is standard input, read whole (up to 1 GB),\n"
        "its kind told by its content, and taken once in a run: the file read by convert, repack, formats,\n"
        "info, extract, split and export-images, one of the files of import and make-icl. Icons read\n"
        "from it are named \"stdin\" (import --name NAME names them). As a file to write \"-\" is\n"
        "standard output, the file's data alone going there and every message to stderr: the file written\n"
        "by convert, repack, formats, make-icl and grid-export. Where the kind of file written follows the\n"
        "name's extension (convert, grid-export), \"-\" takes it from --type, by default an icon file\n"
        "(convert) or a PNG picture (grid-export). A library or a folder cannot be \"-\"; write ./- for a\n"
        "file of that name.\n"
        "\nJSON: with --json the verbs that list things (info, tree, list, find, presets) print their\n"
        "listing as JSON; every other verb prints one object: \"verb\", what it changed (counts, ids and\n"
        "paths, the files it wrote), \"refused\" (each file or icon refused, with \"file\", \"reason\" and,\n"
        "for an icon, \"name\"), \"errors\" (the other lines told on stderr) and \"exitCode\". Bytes of a\n"
        "name that are not UTF-8 become U+FFFD.\n"
        "\nExit codes: 0 success, 1 the operation failed (also when standard output cannot be written:\n"
        "a full disk, a closed pipe; or when memory ran out: \"VERB stopped: out of memory.\"), 2 bad\n"
        "usage.\n"
        "Run 'pictavo-cli help' to see this text, 'pictavo-cli help VERB' for one verb.\n");
}

void PrintVerbHelp(const CLI_VERB& verb) {
    std::printf("Usage: pictavo-cli %s\n", verb.pszSynopsis);
    if (verb.pszHelp) {
        std::printf("\n%s\n", verb.pszHelp);
    }
}

int Help(const std::vector<std::string>& args) {
    if (args.size() <= 1) {
        PrintUsage(stdout);
        return CLI_OK;
    }
    if (args.size() > 2) {
        return CliUsage("help takes at most one verb.");
    }
    auto it = Verbs().find(args[1]);
    if (it == Verbs().end() || !*it->second.pszSynopsis) {
        return CliUsage("unknown verb '%s'.", args[1].c_str());
    }
    PrintVerbHelp(it->second);
    return CLI_OK;
}

// Errors reach the user on stderr. Questions are answered with OK under --yes; without it they are declined
// with one line that says how to answer them.
class CCliMessageHandler : public CZsMessageHandler {
public:
    int MsgBox(int nType, const std::string& sText) override {
        if ((nType & 0xF) == ZS_MB_OK) {
            PrintErrorLine(sText);
            return ZS_IDOK;
        }
        if ((nType & 0xF) == ZS_MB_OKCANCEL && gRun.bYes) {
            return ZS_IDOK;
        }
        PrintErrorLine(sText + " Pass --yes to answer OK.");
        return ZS_IDCANCEL;
    }
};

// Takes the options every verb takes out of the arguments before "--".
void TakeRunOptions(std::vector<std::string>& args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    const auto kept = std::remove_if(args.begin(), end, [](const std::string& a) {
        bool* pFlag = a == "--verbose"              ? &gRun.bVerbose
                      : a == "-q" || a == "--quiet" ? &gRun.bQuiet
                      : a == "--yes"                ? &gRun.bYes
                      : a == "--json"               ? &gRun.bJson
                                                    : nullptr;
        if (pFlag) {
            *pFlag = true;
        }
        return pFlag != nullptr;
    });
    args.erase(kept, end);
}

bool AsksForHelp(const std::vector<std::string>& args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    return std::any_of(args.begin(), end, [](const std::string& a) { return a == "--help" || a == "-h"; });
}

// Runs a verb. No exception leaves it: whatever stops it (memory running out included) is told as the
// verb's failure.
int RunVerb(const CLI_VERB& verb, CCliArgs& args) {
    try {
        return verb.fn(args);
    } catch (const std::bad_alloc&) {
        return CliFail("%s stopped: out of memory.", verb.pszName);
    } catch (const std::exception& e) {
        return CliFail("%s stopped: %s.", verb.pszName, e.what());
    } catch (...) {
        return CliFail("%s stopped on an unexpected error.", verb.pszName);
    }
}

int Dispatch(std::vector<std::string> args) {
    if (args.empty()) {
        PrintUsage(stderr);
        return CLI_USAGE;
    }
    if (args.front() == "--version") {
        std::printf("pictavo-cli %s\n", PICTAVO_VERSION);
        return CLI_OK;
    }
    if (args.front() == "help" || args.front() == "--help" || args.front() == "-h") {
        return Help(args);
    }
    if (args.front().starts_with("-")) {
        return CliUsage("unknown option '%s'.", args.front().c_str());
    }
    auto it = Verbs().find(args.front());
    if (it == Verbs().end()) {
        return CliUsage("unknown verb '%s'.", args.front().c_str());
    }
    const CLI_VERB& verb = it->second;
    gRun.sVerb = verb.pszName;
    args.erase(args.begin());
    if (AsksForHelp(args) && *verb.pszSynopsis) {
        PrintVerbHelp(verb);
        gRun.bJson = false;
        return CLI_OK;
    }
    gRun.report.Set("verb", verb.pszName);
    CCliArgs verbArgs(std::move(args));
    gRun.pArgs = &verbArgs;
    const int rc = RunVerb(verb, verbArgs);
    gRun.pArgs = nullptr;
    return rc;
}

}  // namespace

bool CliVerbose() {
    return gRun.bVerbose;
}

bool CliQuiet() {
    return gRun.bQuiet;
}

bool CliJsonOutput() {
    return gRun.bJson;
}

namespace {

void PrintV(bool bSummary, const char* pszFormat, va_list args) {
    if (gRun.bJson || (bSummary && gRun.bQuiet)) {
        return;
    }
    const std::string text = ZsFormatV(pszFormat, args);
    if (gRun.bStdoutData) {
        if (gpProgress) {
            gpProgress->PrintLine(text);
        } else {
            std::fprintf(stderr, "%s\n", text.c_str());
        }
        return;
    }
    std::fputs(text.c_str(), stdout);
    std::fputc('\n', stdout);
}

}  // namespace

void CliSummary(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    PrintV(true, pszFormat, args);
    va_end(args);
}

void CliData(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    PrintV(false, pszFormat, args);
    va_end(args);
}

CCliJson& CliReport() {
    return gRun.report;
}

void CliRefused(const std::string& sFile, const std::string& sReason, const std::string& sName) {
    CCliJson refused = CCliJson::Object();
    refused.Set("file", sFile);
    if (!sName.empty()) {
        refused.Set("name", sName);
    }
    refused.Set("reason", sReason);
    gRun.report["refused"].Push(std::move(refused));
}

void CliJsonPrinted() {
    gRun.bJsonPrinted = true;
}

int CliFail(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    PrintErrorLine(text);
    return CLI_FAILED;
}

int CliFailRefused(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    PrintErrorLine(text, false);
    return CLI_FAILED;
}

int CliUsage(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    if (gRun.pArgs && gRun.pArgs->Bad()) {
        text = gRun.pArgs->BadReason();
    }
    PrintErrorLine(text);
    const std::string sHelp = gRun.sVerb.empty() ? "pictavo-cli help" : "pictavo-cli help " + gRun.sVerb;
    std::fprintf(stderr, "Try '%s' for more information.\n", sHelp.c_str());
    return CLI_USAGE;
}

CCliArgs::CCliArgs(std::vector<std::string> args) {
    const auto end = std::find(args.begin(), args.end(), "--");
    mArgs.assign(args.begin(), end);
    if (end != args.end()) {
        mTail.assign(end + 1, args.end());
    }
}

void CCliArgs::SetBad(std::string sReason) {
    if (msBad.empty()) {
        msBad = std::move(sReason);
    }
}

bool CCliArgs::Flag(const std::string& name) {
    bool found = false;
    for (auto it = mArgs.begin(); it != mArgs.end();) {
        if (*it == name) {
            found = true;
        } else if (it->starts_with(name + "=")) {
            SetBad(ZsFormat("the option '%s' takes no value.", name.c_str()));
        } else {
            ++it;
            continue;
        }
        it = mArgs.erase(it);
    }
    return found;
}

std::optional<std::string> CCliArgs::Option(const std::string& name) {
    auto values = Option(name, 1);
    if (!values) {
        return std::nullopt;
    }
    return values->front();
}

std::optional<std::vector<std::string>> CCliArgs::Option(const std::string& name, int n) {
    const auto at = [](size_t i) { return static_cast<std::ptrdiff_t>(i); };
    for (size_t i = 0; i < mArgs.size(); ++i) {
        if (mArgs[i].starts_with(name + "=")) {
            if (n != 1) {
                SetBad(ZsFormat("the option '%s' takes %d values after it.", name.c_str(), n));
                mArgs.erase(mArgs.begin() + at(i));
                return std::nullopt;
            }
            std::vector<std::string> values{mArgs[i].substr(name.size() + 1)};
            mArgs.erase(mArgs.begin() + at(i));
            return values;
        }
        if (mArgs[i] != name) {
            continue;
        }
        if (i + static_cast<size_t>(n) >= mArgs.size()) {
            SetBad(n == 1 ? ZsFormat("the option '%s' needs a value.", name.c_str())
                          : ZsFormat("the option '%s' needs %d values.", name.c_str(), n));
            mArgs.erase(mArgs.begin() + at(i), mArgs.end());
            return std::nullopt;
        }
        std::vector<std::string> values(mArgs.begin() + at(i) + 1, mArgs.begin() + at(i) + 1 + n);
        mArgs.erase(mArgs.begin() + at(i), mArgs.begin() + at(i) + 1 + n);
        return values;
    }
    return std::nullopt;
}

bool CCliArgs::Positionals(std::vector<std::string>& out) {
    out.clear();
    for (const std::string& a : mArgs) {
        if (a.size() > 1 && a[0] == '-') {
            SetBad(ZsFormat("unknown option '%s'.", a.c_str()));
            return false;
        }
        out.push_back(a);
    }
    out.insert(out.end(), mTail.begin(), mTail.end());
    return !Bad();
}

bool CliNotStdio(const std::string& arg, const char* pszWhat, int& nCode) {
    if (CliIsStdio(arg)) {
        nCode = CliUsage("%s cannot be standard input or output; write ./- for a file named '-'.", pszWhat);
        return false;
    }
    return true;
}

std::string CliOutputType(const std::optional<std::string>& type, const std::string& arg,
                          std::initializer_list<const char*> types, int& nCode) {
    std::string sList;
    for (const char* psz : types) {
        sList += (sList.empty() ? "" : "|") + std::string(psz);
    }
    if (type) {
        if (std::none_of(types.begin(), types.end(), [&](const char* psz) { return *type == psz; })) {
            nCode = CliUsage("--type takes %s.", sList.c_str());
            return {};
        }
        return *type;
    }
    if (CliIsStdio(arg)) {
        return *types.begin();
    }
    return ZsToLower(ZsGetPathExt(arg));
}

namespace {

// The private temporary file of standard output: "stdout.ico" in the cache folder (numbered when taken),
// created here so that no other run takes it; removed at an end signal.
std::filesystem::path MakeTempFile(const char* pszTitle, const std::string& sExt) {
    for (int nTry = 0; nTry < 100; ++nTry) {
        const std::filesystem::path path = ZsUniqueFilePath(ZsGetCacheDir(), pszTitle, sExt);
        if (std::FILE* f = std::fopen(path.c_str(), "wbx")) {
            std::fclose(f);
            ZsListForEndSignals(path);
            return path;
        }
        if (errno != EEXIST) {
            break;
        }
    }
    return {};
}

void RemoveTempFile(const std::filesystem::path& path) {
    std::error_code ec;
    std::filesystem::remove(path, ec);
    ZsUnlistForEndSignals(path);
}

// A folder of this run's own in the cache folder, removed at an end signal once emptied; empty when none
// can be made.
std::filesystem::path MakeTempFolder() {
    std::string sTemplate = CliShow(ZsGetCacheDir() / "stdin-XXXXXX");
    if (!mkdtemp(sTemplate.data())) {
        return {};
    }
    const std::filesystem::path folder = CliPath(sTemplate);
    ZsListForEndSignals(folder);
    return folder;
}

// Standard input read whole, up to nMaxBytes; none when it cannot be read or is larger.
std::optional<ZsBlock> ReadStdin(uint64_t nMaxBytes) {
    ZsBlock data;
    uint8_t buf[65536];
    size_t n = 0;
    while ((n = std::fread(buf, 1, sizeof buf, stdin)) > 0) {
        if (data.size() + n > nMaxBytes) {
            return std::nullopt;
        }
        data.insert(data.end(), buf, buf + n);
    }
    if (std::ferror(stdin)) {
        return std::nullopt;
    }
    return data;
}

}  // namespace

CCliInput::~CCliInput() {
    if (!mFolder.empty()) {
        RemoveTempFile(mPath);
        RemoveTempFile(mFolder);
    }
}

bool CCliInput::Open(const std::string& arg, int& nCode, const std::string& sTitle) {
    if (!CliIsStdio(arg)) {
        mPath = CliPath(arg);
        return true;
    }
    if (gRun.bStdinTaken) {
        nCode = CliUsage("standard input ('-') can be read only once.");
        return false;
    }
    gRun.bStdinTaken = true;
    mbStdin = true;
    std::optional<ZsBlock> data = ReadStdin(ZI_MAX_SOURCE_FILE_BYTES);
    if (!data) {
        nCode = CliFail("cannot read standard input, or it holds more than 1 GB.");
        return false;
    }
    const ZS_FILE_TYPE* pType = ZI_FindFileTypeOfContent(*data);
    // A folder of its own, so that the file has exactly the title given, whatever other runs keep.
    mFolder = MakeTempFolder();
    if (!mFolder.empty()) {
        mPath = mFolder / CliPath(sTitle + "." + (pType ? pType->pszExt : "bin"));
        ZsListForEndSignals(mPath);
    }
    if (mFolder.empty() || !ZsWriteFile(mPath, *data)) {
        nCode = CliFail("cannot keep standard input in '%s'.", CliShow(ZsGetCacheDir()).c_str());
        return false;
    }
    return true;
}

std::string CCliInput::Shown() const {
    return mbStdin ? std::string("-") : CliShow(mPath);
}

CCliOutput::~CCliOutput() {
    if (mbStdout && !mPath.empty()) {
        RemoveTempFile(mPath);
    }
}

bool CCliOutput::Open(const std::string& arg, const std::string& sExt, int& nCode) {
    if (!CliIsStdio(arg)) {
        mPath = CliPath(arg);
        return true;
    }
    if (gRun.bJson) {
        nCode = CliUsage("--json cannot go with '-' as the file to write: its data takes standard output.");
        return false;
    }
    mbStdout = true;
    gRun.bStdoutData = true;
    mPath = MakeTempFile("stdout", sExt);
    if (mPath.empty()) {
        nCode = CliFail("cannot make a temporary file in '%s'.", CliShow(ZsGetCacheDir()).c_str());
        return false;
    }
    // Written again by the verb as it would write any file.
    RemoveTempFile(mPath);
    ZsListForEndSignals(mPath);
    return true;
}

std::string CCliOutput::Shown() const {
    return mbStdout ? std::string("-") : CliShow(mPath);
}

bool CCliOutput::Commit() {
    if (!mbStdout) {
        return true;
    }
    std::optional<ZsBlock> data = ZsReadFile(mPath);
    if (!data) {
        CliFail("cannot read back what was written for standard output.");
        return false;
    }
    errno = 0;
    const bool bWritten = data->empty() || std::fwrite(data->data(), 1, data->size(), stdout) == data->size();
    return StdoutWritten(bWritten ? 0 : errno);
}

std::filesystem::path CliPath(const std::string& arg) {
    return ZsPathFromUtf8(arg);
}

std::string CliShow(const std::filesystem::path& path) {
    return ZsPathToUtf8(path);
}

std::optional<long long> CliParseInt(const std::string& text) {
    if (text.empty() || text.size() > 18) {
        return std::nullopt;
    }
    size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
    if (i == text.size()) {
        return std::nullopt;
    }
    long long v = 0;
    for (size_t k = i; k < text.size(); ++k) {
        if (text[k] < '0' || text[k] > '9') {
            return std::nullopt;
        }
        v = v * 10 + (text[k] - '0');
    }
    return text[0] == '-' ? -v : v;
}

int CliRun(std::vector<std::string> args) {
    gRun = RUN_STATE();
    TakeRunOptions(args);
    // Long work shows a bar on a terminal unless --quiet, and its log lines with --verbose.
    CCliProgressSink progress(stderr, !gRun.bQuiet && CliIsTerminal(stderr), gRun.bVerbose,
                              std::chrono::milliseconds(250));
    CZsProgressSink* pPreviousSink = ZsSetProgressSink(&progress);
    gpProgress = &progress;
    // The tool never writes the desktop program's "log.txt": log lines go to stderr with --verbose.
    ZsSetLogSink([](const std::string& line) {
        if (gRun.bVerbose && gpProgress) {
            gpProgress->PrintLine(line);
        }
    });
    CCliMessageHandler handler;
    ZsSetMessageHandler(&handler);

    int rc = Dispatch(std::move(args));
    if (gRun.bJson && !gRun.bJsonPrinted && !gRun.bStdoutData) {
        gRun.report.Set("exitCode", rc);
        std::printf("%s\n", gRun.report.Dump().c_str());
    }
    if (!StdoutWritten() && rc == CLI_OK) {
        rc = CLI_FAILED;
    }
    ZsSetMessageHandler(nullptr);
    ZsSetProgressSink(pPreviousSink);
    gpProgress = nullptr;
    return rc;
}
