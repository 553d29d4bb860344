// The check of a library file's schema at open: a library holds the tables main, nodes and icons exactly as
// this program creates them, and nothing that runs code or changes what a statement reads or writes
// (triggers, views, virtual tables, other tables, constraints, unique, partial or expression indexes).
#pragma once

#include <string>

#include "library/ZsSQLite.h"

enum ZIL_SCHEMA_STATE {
    ZIL_SCHEMA_OK = 0,
    ZIL_SCHEMA_UNREADABLE,  // the schema cannot be read: the connection's LastError says why
    ZIL_SCHEMA_NO_LIBRARY,  // nothing named main: another kind of database, or an empty one
    ZIL_SCHEMA_FOREIGN,     // a library with parts of other kinds: the text names them
};

// Reads only the schema (sqlite_master and the pragmas on the format's own tables); *pWhy gets the sentence
// for ZIL_SCHEMA_FOREIGN ("It holds parts an icon library does not have: trigger 'x'.").
ZIL_SCHEMA_STATE ZsCheckLibrarySchema(CSQLite& db, std::string* pWhy);
