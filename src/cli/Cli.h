// The command-line tool's shared pieces: argument handling, verb registration, failure reporting and JSON
// output. Exit codes: 0 success, 1 a failed operation, 2 bad usage.
#pragma once

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "common/ZsText.h"

enum { CLI_OK = 0, CLI_FAILED = 1, CLI_USAGE = 2 };

// The arguments after the verb. Options are taken out as they are asked for; what is left are the
// positional arguments, and an unknown option left over is a usage error.
class CCliArgs {
public:
    explicit CCliArgs(std::vector<std::string> args) : mArgs(std::move(args)) {}

    bool Flag(const std::string& name);
    // The value after the option; nullopt when absent. An option without a value sets mbBad.
    std::optional<std::string> Option(const std::string& name);
    // n values after the option (for "--tile W H").
    std::optional<std::vector<std::string>> Option(const std::string& name, int n);
    // The positional arguments; false (usage error) when an unknown "--option" is left.
    bool Positionals(std::vector<std::string>& out);
    bool Bad() const { return mbBad; }

private:
    std::vector<std::string> mArgs;
    bool mbBad = false;
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
// it.
struct CLI_INFO_KIND {
    bool (*match)(const std::filesystem::path& path, const std::vector<uint8_t>& head);
    int (*show)(const std::filesystem::path& path, bool bJson);
};

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
// Prints the message and the usage text on stderr and returns CLI_USAGE.
int CliUsage(const char* pszFormat, ...) ZS_PRINTF(1, 2);

bool CliVerbose();

// A path given on the command line, and a path as shown to the user.
std::filesystem::path CliPath(const std::string& arg);
std::string CliShow(const std::filesystem::path& path);

// Parses a whole decimal number (with optional sign); nullopt for anything else.
std::optional<long long> CliParseInt(const std::string& text);

// The picture sizing of --resize enlarge|shrink|keep (default enlarge); -1 for anything else.
int CliSizingMode(CCliArgs& args);

// The formats of --formats LIST or --preset NAME. False after printing the reason (the exit code in *pnRc);
// true with an empty list when neither is given.
struct ZI_FORMAT;
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

// A string as a JSON literal.
std::string JsonQuote(const std::string& text);
