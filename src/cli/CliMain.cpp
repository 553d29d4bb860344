#include <algorithm>
#include <cstdio>
#include <map>

#include "cli/Cli.h"
#include "cli/CliProgress.h"
#include "common/ZsBase.h"
#include "common/ZsFileTypes.h"
#include "common/ZsLog.h"

namespace {

bool gbVerbose = false;
// Questions are answered with OK only when the user said so with --yes.
bool gbYes = false;
// The progress sink of the run, through which every line printed during long work goes.
CCliProgressSink* gpProgress = nullptr;

void PrintErrorLine(const std::string& text) {
    std::string line = "pictavo-cli: " + text;
    if (gpProgress) {
        gpProgress->PrintLine(line);
    } else {
        std::fprintf(stderr, "%s\n", line.c_str());
    }
}

int Info(CCliArgs& args) {
    bool bJson = args.Flag("--json");
    std::vector<std::string> files;
    if (!args.Positionals(files) || files.size() != 1) {
        return CliUsage("info takes one file.");
    }
    std::filesystem::path path = CliPath(files[0]);
    std::string sWhy;
    const std::optional<ZsBlock> head = ZsReadFileHead(path, 4096, &sWhy);
    if (!head) {
        return CliFail("cannot read '%s': %s.", CliShow(path).c_str(), sWhy.c_str());
    }
    for (const CLI_INFO_KIND& kind : {CliIcoInfo(), CliModuleInfo(), CliLibraryInfo()}) {
        if (kind.match(path, *head)) {
            return kind.show(path, bJson);
        }
    }
    return CliFail("'%s' is not a file Pictavo knows.", CliShow(path).c_str());
}

const CLI_VERB kInfoVerb{
    "info",
    "info [--json] FILE                 describe an icon file, Apple icon file, cursor, module or\n"
    "                                     icon library",
    Info,
    "An icon file: its images in file order (width, height, bit count, PNG or not, bytes). An Apple icon\n"
    "file or a cursor: the icon it becomes on import (an animated cursor: one per frame, \"FILE #n\").\n"
    "A classic icon library, program or DLL: its kind (ne or pe) and its icon groups with their\n"
    "images. An icon library (.pctv): its numbers of categories and icons.\n"
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
        "Usage: pictavo-cli [--verbose] VERB ARGUMENTS...\n\n"
        "Converts icons between icon files, classic icon libraries, modules and pictures, and works on\n"
        "extended icon libraries (.pctv), from the command line. Icons are read from the file types\n"
        "listed below.\n\nVerbs:\n");
    for (const auto& [name, entry] : Verbs()) {
        if (*entry.pszSynopsis) {
            std::fprintf(out, "  %s\n", entry.pszSynopsis);
        }
    }
    std::fprintf(out, "\nFile types:\n%s", ZsFileTypeHelp().c_str());
    std::fprintf(out,
                 "\nOptions for every verb: --verbose (before the verb) prints the log lines of long work;\n"
                 "--yes answers the questions a verb asks with OK. --version prints the version.\n"
                 "\nExit codes: 0 success, 1 the operation failed, 2 bad usage.\n"
                 "Run 'pictavo-cli help' to see this text, 'pictavo-cli help VERB' for one verb.\n");
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
    if (it == Verbs().end()) {
        return CliUsage("unknown verb '%s'.", args[1].c_str());
    }
    std::printf("Usage: pictavo-cli %s\n", it->second.pszSynopsis);
    if (it->second.pszHelp) {
        std::printf("\n%s\n", it->second.pszHelp);
    }
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
        if ((nType & 0xF) == ZS_MB_OKCANCEL && gbYes) {
            return ZS_IDOK;
        }
        PrintErrorLine(sText + " Pass --yes to answer OK.");
        return ZS_IDCANCEL;
    }
};

}  // namespace

bool CliVerbose() {
    return gbVerbose;
}

int CliFail(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    PrintErrorLine(text);
    return CLI_FAILED;
}

int CliUsage(const char* pszFormat, ...) {
    va_list args;
    va_start(args, pszFormat);
    std::string text = ZsFormatV(pszFormat, args);
    va_end(args);
    std::fprintf(stderr, "pictavo-cli: %s\n\n", text.c_str());
    PrintUsage(stderr);
    return CLI_USAGE;
}

bool CCliArgs::Flag(const std::string& name) {
    bool found = false;
    for (auto it = mArgs.begin(); it != mArgs.end();) {
        if (*it == name) {
            it = mArgs.erase(it);
            found = true;
        } else {
            ++it;
        }
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
    for (size_t i = 0; i < mArgs.size(); ++i) {
        if (mArgs[i] != name) {
            continue;
        }
        if (i + static_cast<size_t>(n) >= mArgs.size()) {
            mbBad = true;
            mArgs.erase(mArgs.begin() + static_cast<std::ptrdiff_t>(i), mArgs.end());
            return std::nullopt;
        }
        std::vector<std::string> values(mArgs.begin() + static_cast<std::ptrdiff_t>(i) + 1,
                                        mArgs.begin() + static_cast<std::ptrdiff_t>(i) + 1 + n);
        mArgs.erase(mArgs.begin() + static_cast<std::ptrdiff_t>(i),
                    mArgs.begin() + static_cast<std::ptrdiff_t>(i) + 1 + n);
        return values;
    }
    return std::nullopt;
}

bool CCliArgs::Positionals(std::vector<std::string>& out) {
    out.clear();
    for (const std::string& a : mArgs) {
        if (a.size() > 2 && a.starts_with("--")) {
            mbBad = true;
            return false;
        }
        out.push_back(a);
    }
    return !mbBad;
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

std::string JsonQuote(const std::string& text) {
    std::string s = "\"";
    for (unsigned char c : text) {
        switch (c) {
            case '"':
                s += "\\\"";
                break;
            case '\\':
                s += "\\\\";
                break;
            case '\n':
                s += "\\n";
                break;
            case '\r':
                s += "\\r";
                break;
            case '\t':
                s += "\\t";
                break;
            default:
                if (c < 0x20) {
                    s += ZsFormat("\\u%04x", c);
                } else {
                    s.push_back(static_cast<char>(c));
                }
        }
    }
    s += "\"";
    return s;
}

int CliRun(std::vector<std::string> args) {
    gbVerbose = false;
    gbYes = false;
    while (!args.empty() && (args.front() == "--verbose" || args.front() == "--yes")) {
        (args.front() == "--yes" ? gbYes : gbVerbose) = true;
        args.erase(args.begin());
    }
    // Long work shows a bar on a terminal, and its log lines with --verbose.
    CCliProgressSink progress(stderr, CliIsTerminal(stderr), gbVerbose, std::chrono::milliseconds(250));
    CZsProgressSink* pPreviousSink = ZsSetProgressSink(&progress);
    gpProgress = &progress;
    // The tool never writes the desktop program's "log.txt": log lines go to stderr with --verbose.
    ZsSetLogSink([](const std::string& line) {
        if (gbVerbose && gpProgress) {
            gpProgress->PrintLine(line);
        }
    });
    CCliMessageHandler handler;
    ZsSetMessageHandler(&handler);

    int rc = CLI_USAGE;
    if (args.empty()) {
        PrintUsage(stderr);
    } else if (args.front() == "--version") {
        std::printf("pictavo-cli %s\n", PICTAVO_VERSION);
        rc = CLI_OK;
    } else if (args.front() == "help" || args.front() == "--help" || args.front() == "-h") {
        rc = Help(args);
    } else if (auto it = Verbs().find(args.front()); it == Verbs().end()) {
        rc = CliUsage("unknown verb '%s'.", args.front().c_str());
    } else {
        args.erase(args.begin());
        CCliArgs verbArgs(std::move(args));
        gbYes = verbArgs.Flag("--yes") || gbYes;
        rc = it->second.fn(verbArgs);
    }
    ZsSetMessageHandler(nullptr);
    ZsSetProgressSink(pPreviousSink);
    gpProgress = nullptr;
    return rc;
}
