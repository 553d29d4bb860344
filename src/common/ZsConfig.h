// The configuration store: CZsMemIni, an INI file held wholly in memory, and CZsConfig, the program's one
// configuration object ("config.ini" in the data folder), read on first use and written back when the
// process ends. The names of the program's sections and keys and their defaults live in ZsSettings.h;
// read settings through those, not through literals.
//
// File format: UTF-16LE with a byte-order mark, CR LF line ends. Reading trims white space from both ends of
// each line and skips empty lines; "[name]" (more than two characters) starts a section afresh, discarding
// keys an earlier header of the same name collected; any other line is "key=value" split at the first "="
// (neither side trimmed; no "=" gives an empty value; a leading "=" gives an empty key and value); lines
// before the first header are root entries. Writing lists the root entries (and an empty line after them
// when there are any), then each section as its header, its entries and an empty line, all in map order.
//
// Map order (for writing and lookups alike): plain ordinal order of the UTF-8 code units, which is Unicode
// code-point order. It equals UTF-16 code-unit order except that characters beyond U+FFFF sort after
// U+E000..U+FFFF. Lookups are exact and case-sensitive.
//
// The store is used from one thread only and owns its maps; nothing it returns refers into it except
// FindSection's map, valid until the store next changes.
#pragma once

#include <filesystem>
#include <functional>
#include <map>
#include <string>
#include <string_view>
#include <vector>

// The fixed key under which GetIntList and SetIntList keep a section's list of integers.
inline constexpr const char* ZS_KEY_SEL_FMTS = "IDC_LB_SEL_FMTS";

class CZsMemIni {
public:
    using Entries = std::map<std::string, std::string, std::less<>>;

    // Remembers the path, clears the store and reads the file. A missing or unreadable file (or one larger
    // than 64 MiB) leaves the store empty; returns whether the file was read. A file without a byte-order
    // mark is read as UTF-16LE, unless it holds no zero byte at all: then it was written by hand in UTF-8.
    bool Load(const std::filesystem::path& path);
    // Rewrites the whole file at the remembered path: written next to it and renamed over it, so the old
    // file stays whole when writing fails. Returns false (with an error line) when it could not be written.
    // Line breaks inside names and values are written as spaces, so no value can add lines to the file.
    bool Save() const;
    const std::filesystem::path& GetPath() const { return mPath; }

    // In all of the following a null section means the root entries.
    const Entries* FindSection(const char* pszSection) const;
    std::string GetString(std::string_view key, std::string_view def, const char* pszSection) const;
    // The value as a decimal number, or as hexadecimal after "0x"; leading white space and a sign are
    // allowed and reading stops at the first character that is not a digit. The default when the key is
    // missing, holds no number, or the number does not fit 32 bits (hexadecimal up to 0xFFFFFFFF, read as
    // the signed number with the same bits).
    int GetInt(std::string_view key, int nDefault, const char* pszSection) const;
    void SetString(std::string_view key, std::string_view value, const char* pszSection);
    void SetInt(std::string_view key, int nValue, const char* pszSection);

    // The values under the keys "0", "1", ... up to the first number that is missing.
    std::vector<std::string> GetList(const char* pszSection) const;
    // Replaces every key of the section by the values under "0", "1", ...
    void SetList(const char* pszSection, const std::vector<std::string>& values);

    // The integers kept under ZS_KEY_SEL_FMTS as decimal numbers joined by ";". Every piece counts, the
    // empty one after a trailing ";" included; a piece that is not a number is 0. An empty value is an empty
    // list.
    std::vector<int> GetIntList(const char* pszSection) const;
    void SetIntList(const char* pszSection, const std::vector<int>& values);

protected:
    // Writes the file without reporting a failure; the exit-time save relies on this because the log may
    // already be closed then.
    bool WriteFile() const;

private:
    Entries* SectionFor(const char* pszSection);

    std::filesystem::path mPath;
    Entries mssRoot;
    std::map<std::string, Entries, std::less<>> mssSections;
};

// The program's configuration: a store that saves itself when destroyed. A folder that cannot be written
// makes that save fail quietly.
class CZsConfig : public CZsMemIni {
public:
    explicit CZsConfig(const std::filesystem::path& path) { Load(path); }
    ~CZsConfig() { WriteFile(); }
    CZsConfig(const CZsConfig&) = delete;
    CZsConfig& operator=(const CZsConfig&) = delete;
};

// "config.ini" in the data folder (the program tells a first run by its absence).
std::filesystem::path ZsGetConfigPath();

// The process-wide configuration, created and loaded on the first call and saved at process exit.
CZsConfig& ZsGetConfig();
