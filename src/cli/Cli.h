// The command-line tool's shared pieces: argument handling, verb registration, failure reporting, standard
// input and output as files ("-"), and the report of --json. Exit codes: 0 success, 1 a failed operation,
// 2 bad usage.
#pragma once

#include <cstdint>
#include <filesystem>
#include <initializer_list>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "cli/CliJson.h"
#include "common/ZsBase.h"
#include "common/ZsText.h"

enum { CLI_OK = 0, CLI_FAILED = 1, CLI_USAGE = 2 };

// The arguments after the verb. Options are taken out as they are asked for; what is left are the
// positional arguments, and an unknown option left over is a usage error. "--" ends the options: every
// argument after it is positional, whatever it begins with. "-" alone is positional (standard input or
// output).
class CCliArgs {
public:
    explicit CCliArgs(std::vector<std::string> args);

    // A flag given anywhere before "--"; "--flag=VALUE" is a usage error.
    bool Flag(const std::string& name);
    // The value of "--option VALUE" or "--option=VALUE"; nullopt when absent. An option without a value is
    // a usage error.
    std::optional<std::string> Option(const std::string& name);
    // n values after the option (for "--tile W H").
    std::optional<std::vector<std::string>> Option(const std::string& name, int n);
    // The positional arguments; false (usage error) when an unknown option is left or an option lacked its
    // value.
    bool Positionals(std::vector<std::string>& out);
    bool Bad() const { return !msBad.empty(); }
    // Why the arguments are bad, as a usage message says it; empty when they are not.
    const std::string& BadReason() const { return msBad; }

private:
    void SetBad(std::string sReason);

    std::vector<std::string> mArgs;  // before "--"
    std::vector<std::string> mTail;  // after "--"
    std::string msBad;
};

using CliVerbFn = int (*)(CCliArgs& args);

// A verb: its name, the synopsis the usage text shows, the function, and the longer help that "help VERB"
// shows beside the synopsis.
struct CLI_VERB {
    const char* pszName;
    const char* pszSynopsis;
    CliVerbFn fn;
    const char* pszHelp = nullptr;
};

// A kind of file that "info" describes: match accepts the file's first bytes (up to 4 KiB), show describes
// it under the name sShown (JSON under --json, CliJsonPrinted once printed).
struct CLI_INFO_KIND {
    bool (*match)(const std::filesystem::path& path, const std::vector<uint8_t>& head);
    int (*show)(const std::filesystem::path& path, const std::string& sShown, bool bJson);
};

// A format as the JSON of the tool gives it: width, height, bitCount and label.
struct ZI_FORMAT;
CCliJson CliFormatJson(const ZI_FORMAT& f);
// The images of ICO data as info lists them: width, height, bitCount, label, png and bytes of each, in
// file order.
CCliJson CliImagesJson(ZsBytes data);

// The verbs of each part of the tool.
std::span<const CLI_VERB> CliConvertVerbs();
std::span<const CLI_VERB> CliIcoVerbs();
std::span<const CLI_VERB> CliModuleVerbs();
std::span<const CLI_VERB> CliLibraryVerbs();
std::span<const CLI_VERB> CliLibEditVerbs();
std::span<const CLI_VERB> CliLibIOVerbs();
std::span<const CLI_VERB> CliLibMoveVerbs();
std::span<const CLI_VERB> CliDesktopVerbs();
// The kinds of file "info" describes, tried in this order: icon files, modules, icon libraries.
CLI_INFO_KIND CliIcoInfo();
CLI_INFO_KIND CliModuleInfo();
CLI_INFO_KIND CliLibraryInfo();

// Runs the tool on the arguments that follow the program's name; returns the exit code.
int CliRun(std::vector<std::string> args);

// Prints "pictavo-cli: <message>" on stderr and returns CLI_FAILED.
int CliFail(const char* pszFormat, ...) ZS_PRINTF(1, 2);
// Prints "pictavo-cli: <message>" and "Try 'pictavo-cli help VERB' for more information." on stderr and
// returns CLI_USAGE. An unknown option or one without its value is named instead of the message.
int CliUsage(const char* pszFormat, ...) ZS_PRINTF(1, 2);

// The options every verb takes anywhere on the line: --verbose, -q/--quiet, --yes and --json.
bool CliVerbose();
bool CliQuiet();
bool CliJsonOutput();

// What a verb says on standard output. A summary ("3 icons imported ...") is left out under --quiet and
// --json and goes to stderr when standard output carries a file's data; data (an id, the files written) is
// left out under --json only, whose report carries it.
void CliSummary(const char* pszFormat, ...) ZS_PRINTF(1, 2);
void CliData(const char* pszFormat, ...) ZS_PRINTF(1, 2);

// The report --json prints when the verb ends: one object with "verb", the members the verb sets (counts,
// files written, ...), "refused" (each file or icon refused, with the reason), "errors" (the other lines
// printed on stderr) and "exitCode". Verbs that list things print their own JSON instead and call
// CliJsonPrinted().
CCliJson& CliReport();
void CliRefused(const std::string& sFile, const std::string& sReason, const std::string& sName = {});
// The line that tells what was refused, each given to CliRefused: on stderr as CliFail prints it, but left
// out of "errors", where "refused" lists each. Returns CLI_FAILED.
int CliFailRefused(const char* pszFormat, ...) ZS_PRINTF(1, 2);
void CliJsonPrinted();

// The title of standard input read as a file, unless the verb names it otherwise.
#define CLI_STDIN_TITLE "stdin"

// "-" as a file argument: standard input or output.
inline bool CliIsStdio(const std::string& arg) {
    return arg == "-";
}
// A usage error (false) when the argument is "-" where a folder or a library is meant; what names the
// argument in the message ("the folder", "the library").
bool CliNotStdio(const std::string& arg, const char* pszWhat, int& nCode);

// A file to read: the path given, or standard input read whole (up to 1 GB, as an icon file) into a private
// temporary file whose extension is that of the kind its content shows, since there is no name to go by.
// The file's title, which an icon imported from it is named by, is sTitle (a name without "/"). Standard
// input is read once per run.
class CCliInput {
public:
    CCliInput() = default;
    CCliInput(const CCliInput&) = delete;
    CCliInput& operator=(const CCliInput&) = delete;
    ~CCliInput();

    // False after a message (its exit code in nCode).
    bool Open(const std::string& arg, int& nCode, const std::string& sTitle = CLI_STDIN_TITLE);
    const std::filesystem::path& Path() const { return mPath; }
    // The name messages show: the path, or "-" for standard input.
    std::string Shown() const;
    bool IsStdin() const { return mbStdin; }

private:
    std::filesystem::path mPath;
    std::filesystem::path mFolder;  // standard input's private folder
    bool mbStdin = false;
};

// A file to write: the path given, or for "-" a private temporary file that Commit copies to standard
// output. The verb writes Path() as it would write any file; where the kind of file follows the name's
// extension, "-" takes it from the verb's --type option.
class CCliOutput {
public:
    CCliOutput() = default;
    CCliOutput(const CCliOutput&) = delete;
    CCliOutput& operator=(const CCliOutput&) = delete;
    ~CCliOutput();

    // False after a message (its exit code in nCode). pszExt: the extension the temporary file takes.
    bool Open(const std::string& arg, const std::string& sExt, int& nCode);
    const std::filesystem::path& Path() const { return mPath; }
    std::string Shown() const;
    bool IsStdout() const { return mbStdout; }
    // For standard output: copies the written file there; false after a message. True for a path.
    bool Commit();

private:
    std::filesystem::path mPath;
    bool mbStdout = false;
};

// The kind of a file to write: --type TYPE when given (one of the types), else the extension of the
// path in lower case, or for "-" the first of the types (the verb's default). Empty after a usage message
// (its exit code in nCode).
std::string CliOutputType(const std::optional<std::string>& type, const std::string& arg,
                          std::initializer_list<const char*> types, int& nCode);

// A path given on the command line, and a path as shown to the user.
std::filesystem::path CliPath(const std::string& arg);
std::string CliShow(const std::filesystem::path& path);

// Parses a whole decimal number (with optional sign); nullopt for anything else.
std::optional<long long> CliParseInt(const std::string& text);

// The picture sizing of --resize enlarge|shrink|keep (default enlarge); -1 for anything else.
int CliSizingMode(CCliArgs& args);

// The formats of --formats LIST or --preset NAME. False after printing the reason (the exit code in *pnRc);
// true with an empty list when neither is given.
bool CliFormatOptions(CCliArgs& args, std::vector<ZI_FORMAT>& list, int* pnRc);

// --png (generated images of 256 x 256 and larger stored PNG-compressed) or --png-min SIDE (of that side
// and larger): sets the process's minimum (ZI_SetPngMinSize), 0 without either. False after printing the
// reason (the exit code in *pnRc).
bool CliPngOptions(CCliArgs& args, int* pnRc);
// The usage line piece and the help text of the two options.
#define CLI_PNG_SYNOPSIS "[--png | --png-min SIDE]"
#define CLI_PNG_HELP                                                                                     \
    "--png stores generated 32-bit images of 256 x 256 pixels and larger PNG-compressed (smaller files " \
    "that\ncurrent systems read); --png-min SIDE does so from that side up.\n"
