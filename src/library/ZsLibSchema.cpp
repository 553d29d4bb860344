#include "library/ZsLibSchema.h"

#include <cctype>
#include <string_view>
#include <vector>

#include "common/ZsText.h"

namespace {

// The tables of the format, as CreateTables makes them.
struct TABLE {
    const char* pszName;
    const char* pszSql;
};
constexpr TABLE kTables[] = {
    {"main", "create table main(id integer primary key, data blob)"},
    {"nodes", "create table nodes(id integer primary key, data blob)"},
    {"icons",
     "create table icons(id integer primary key, data blob, name nvarchar(256), kwds nvarchar(256))"},
};

// SQL text as its tokens: words and quoted identifiers lower-cased without their quotes (a word may be
// written either way), string literals kept with a leading apostrophe, whitespace and comments dropped.
std::vector<std::string> Tokens(std::string_view sql) {
    std::vector<std::string> out;
    size_t i = 0;
    auto isWord = [](unsigned char c) { return std::isalnum(c) || c == '_' || c == '$' || c >= 0x80; };
    while (i < sql.size()) {
        const unsigned char c = static_cast<unsigned char>(sql[i]);
        if (std::isspace(c)) {
            ++i;
        } else if (sql.substr(i, 2) == "--") {
            i = sql.find('\n', i);
        } else if (sql.substr(i, 2) == "/*") {
            const size_t nEnd = sql.find("*/", i + 2);
            i = nEnd == std::string_view::npos ? nEnd : nEnd + 2;
        } else if (c == '"' || c == '`' || c == '[' || c == '\'') {
            const char cClose = c == '[' ? ']' : static_cast<char>(c);
            std::string token = c == '\'' ? "'" : "";
            size_t k = i + 1;
            for (; k < sql.size(); ++k) {
                if (sql[k] == cClose) {
                    if (cClose != ']' && k + 1 < sql.size() && sql[k + 1] == cClose) {
                        token.push_back(sql[++k]);
                        continue;
                    }
                    break;
                }
                token.push_back(sql[k]);
            }
            out.push_back(c == '\'' ? token : ZsToLower(token));
            i = k + 1;
        } else if (isWord(c)) {
            size_t k = i;
            while (k < sql.size() && isWord(static_cast<unsigned char>(sql[k]))) {
                ++k;
            }
            out.push_back(ZsToLower(sql.substr(i, k - i)));
            i = k;
        } else {
            out.emplace_back(1, static_cast<char>(c));
            ++i;
        }
    }
    return out;
}

// A name from the file as the user sees it: quoted, cut, and without control characters.
std::string Quoted(std::string_view name) {
    std::string out = "'";
    size_t nChars = 0;
    for (size_t i = 0; i < name.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(name[i]);
        if ((c & 0xC0) != 0x80 && ++nChars > 48) {
            out += "...";
            break;
        }
        if (c < 0x20 || c == 0x7F) {
            out += ZsFormat("\\x%02X", c);
        } else if (c == '\'' || c == '\\') {
            out.push_back('\\');
            out.push_back(static_cast<char>(c));
        } else {
            out.push_back(static_cast<char>(c));
        }
    }
    return out + "'";
}

const TABLE* FindTable(std::string_view name) {
    for (const TABLE& table : kTables) {
        if (ZsEqualNoCase(name, table.pszName)) {
            return &table;
        }
    }
    return nullptr;
}

// Why an index of one of the format's tables could change what a statement reads or writes; "" for a plain
// index of bare columns, which only makes some reads faster.
std::string IndexFault(CSQLite& db, const std::string& sName, const std::string& sTable) {
    std::string sFault;
    bool bFound = false;
    const std::string sQuoted = ZsSqlQuote(sName);
    const bool bListed =
        db.QueryRows(ZsFormat("select name, \"unique\", origin, partial from pragma_index_list(%s);",
                              ZsSqlQuote(sTable).c_str()),
                     [&](const CZsSqlRow& row) {
                         if (row.Text(0) != sName) {
                             return true;
                         }
                         bFound = true;
                         if (row.Int(1) != 0) {
                             sFault = "unique";
                         } else if (row.Int(3) != 0) {
                             sFault = "partial";
                         } else if (row.Text(2) != "c") {
                             sFault = "made by a constraint";
                         }
                         return false;
                     });
    if (!bListed || !bFound) {
        return "unreadable";
    }
    if (!sFault.empty()) {
        return sFault;
    }
    const bool bRead =
        db.QueryRows(ZsFormat("select cid, coll, key from pragma_index_xinfo(%s);", sQuoted.c_str()),
                     [&](const CZsSqlRow& row) {
                         const std::string sColl = ZsToLower(row.Text(1));
                         if (row.Int(2) != 0 && row.Int(0) < -1) {
                             sFault = "on an expression";
                         } else if (sColl != "binary" && sColl != "nocase" && sColl != "rtrim") {
                             sFault = "with a collation of its own";
                         }
                         return sFault.empty();
                     });
    return bRead ? sFault : std::string("unreadable");
}

std::string List(const std::vector<std::string>& parts) {
    std::string out;
    for (size_t i = 0; i < parts.size() && i < 10; ++i) {
        out += (i ? ", " : "") + parts[i];
    }
    if (parts.size() > 10) {
        out += ZsFormat(" and %zu more", parts.size() - 10);
    }
    return out;
}

}  // namespace

ZIL_SCHEMA_STATE ZsCheckLibrarySchema(CSQLite& db, std::string* pWhy) {
    struct OBJECT {
        std::string sType, sName, sTable, sSql;
    };
    std::vector<OBJECT> objects;
    if (!db.QueryRows("select type, name, tbl_name, sql from sqlite_master;", [&](const CZsSqlRow& row) {
            objects.push_back({row.Text(0), row.Text(1), row.Text(2), row.Text(3)});
            return true;
        })) {
        return ZIL_SCHEMA_UNREADABLE;
    }
    std::vector<std::string> extra, missing;
    bool bAny = false;
    bool bHave[std::size(kTables)] = {};
    for (const OBJECT& object : objects) {
        const TABLE* pTable = FindTable(object.sName);
        const std::string sName = Quoted(object.sName);
        // The header table is what makes a file a library at all.
        bAny = bAny || pTable == kTables;
        if (object.sType == "table" && pTable) {
            bHave[pTable - kTables] = true;
            if (Tokens(object.sSql) != Tokens(pTable->pszSql)) {
                const bool bVirtual = ZsToLower(object.sSql).starts_with("create virtual");
                extra.push_back(bVirtual ? "virtual table " + sName
                                         : "table " + sName + " unlike the library's own");
            }
        } else if (object.sType == "table" &&
                   (object.sName == "sqlite_stat1" || object.sName == "sqlite_stat4")) {
            // Statistics of ANALYZE choose between plans; they never change a result.
        } else if (object.sType == "index" && FindTable(object.sTable)) {
            if (std::string sFault = IndexFault(db, object.sName, object.sTable); !sFault.empty()) {
                extra.push_back("index " + sName + " (" + sFault + ")");
            }
        } else if (object.sType == "table") {
            extra.push_back(
                (ZsToLower(object.sSql).starts_with("create virtual") ? "virtual table " : "table ") + sName);
        } else if (object.sType == "index") {
            // The index of a table that is itself named.
        } else {
            extra.push_back(
                (object.sType == "trigger" || object.sType == "view" ? object.sType : std::string("part")) +
                " " + sName);
        }
    }
    if (!bAny) {
        return ZIL_SCHEMA_NO_LIBRARY;
    }
    for (size_t i = 0; i < std::size(kTables); ++i) {
        if (!bHave[i]) {
            missing.push_back(ZsFormat("table '%s'", kTables[i].pszName));
        }
    }
    if (extra.empty() && missing.empty()) {
        return ZIL_SCHEMA_OK;
    }
    if (pWhy) {
        *pWhy = !extra.empty() ? "It holds parts an icon library does not have: " + List(extra) +
                                     (missing.empty() ? "" : "; and lacks " + List(missing))
                               : "It lacks parts every icon library has: " + List(missing);
        *pWhy += ".";
    }
    return ZIL_SCHEMA_FOREIGN;
}
