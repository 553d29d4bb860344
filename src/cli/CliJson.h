// The JSON the tool writes: string literals that are well-formed whatever bytes a name holds, values built
// as trees and written in one go, and the report a verb gives under --json.
#pragma once

#include <cstdint>
#include <list>
#include <string>
#include <utility>
#include <variant>
#include <vector>

// A string as a JSON literal. Control characters, quotes and backslashes are escaped; a byte that is no
// part of valid UTF-8 (a file name of another encoding) becomes U+FFFD, so the text is always valid.
std::string JsonQuote(const std::string& text);

// A JSON value: null, a truth value, a whole number, a string, an array or an object whose members keep the
// order they were set in.
class CCliJson {
public:
    CCliJson() = default;
    CCliJson(bool b) : mValue(b) {}
    CCliJson(int n) : mValue(static_cast<int64_t>(n)) {}
    CCliJson(int64_t n) : mValue(n) {}
    CCliJson(uint64_t n) : mValue(static_cast<int64_t>(n)) {}
    CCliJson(std::string s) : mValue(std::move(s)) {}
    CCliJson(const char* psz) : mValue(std::string(psz)) {}

    static CCliJson Array();
    static CCliJson Object();

    // Sets an object's member (an existing one keeps its place) and returns the member's value.
    CCliJson& Set(const std::string& sKey, CCliJson value);
    // Appends to an array.
    void Push(CCliJson value);
    // The member of an object, made (null) when missing.
    CCliJson& operator[](const std::string& sKey);

    // The value as text on one line: members and elements separated by ", ", keys by ": ".
    std::string Dump() const;

private:
    // A list, so that a member's value stays where it is while more are set.
    using Members = std::list<std::pair<std::string, CCliJson>>;
    struct ArrayTag {
        std::vector<CCliJson> items;
    };
    struct ObjectTag {
        Members members;
    };
    std::variant<std::monostate, bool, int64_t, std::string, ArrayTag, ObjectTag> mValue;
};
