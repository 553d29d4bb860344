#include "library/ZsSQLite.h"

#include <sqlite3.h>

#include <climits>

#include "common/ZsLog.h"
#include "common/ZsText.h"

void CSQLite::DbCloser::operator()(sqlite3* p) const {
    sqlite3_close(p);
}

void CSQLite::StmtFinalizer::operator()(sqlite3_stmt* p) const {
    sqlite3_finalize(p);
}

void CZsSqlStatement::Finalizer::operator()(sqlite3_stmt* p) const {
    sqlite3_finalize(p);
}

CSQLite::CSQLite() = default;

CSQLite::~CSQLite() {
    CloseDb();
}

namespace {

// A "file:" URI of the path for SQLite, every byte outside the unreserved characters and "/" escaped.
std::string FileUri(const std::filesystem::path& path) {
    std::error_code ec;
    const std::filesystem::path absolute = std::filesystem::absolute(path, ec);
    std::string uri = "file:";
    for (unsigned char c : ZsPathToUtf8(ec ? path : absolute)) {
        if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') || c == '-' ||
            c == '.' || c == '_' || c == '~' || c == '/') {
            uri.push_back(static_cast<char>(c));
        } else {
            uri += ZsFormat("%%%02X", c);
        }
    }
    return uri;
}

// Library files come from anywhere: nothing a file's schema holds may run (triggers, views, functions of the
// schema, extensions), and no write may corrupt the file. The program's own SQL uses none of these.
void Harden(sqlite3* pDb) {
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_DEFENSIVE, 1, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_TRUSTED_SCHEMA, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_TRIGGER, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_VIEW, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_LOAD_EXTENSION, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_FKEY, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_ENABLE_FTS3_TOKENIZER, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_DQS_DML, 0, nullptr);
    sqlite3_db_config(pDb, SQLITE_DBCONFIG_DQS_DDL, 0, nullptr);
    // A page whose cells point outside it is refused as damaged when it is read: without the check,
    // values are taken from bytes beyond the page, which differ from run to run.
    sqlite3_exec(pDb, "pragma cell_size_check=on;", nullptr, nullptr, nullptr);
}

// Virtual machine steps between two calls of the progress handler.
constexpr int kStepsPerTick = 1000;

}  // namespace

bool CSQLite::Open(const std::filesystem::path& path, ZS_SQL_OPEN nMode) {
    CloseDb();
    sqlite3* pDb = nullptr;
    int rc = SQLITE_OK;
    if (nMode == ZS_SQL_READ_ONLY) {
        rc = sqlite3_open_v2((FileUri(path) + "?immutable=1").c_str(), &pDb,
                             SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    } else if (nMode == ZS_SQL_EXISTING) {
        rc = sqlite3_open_v2(FileUri(path).c_str(), &pDb, SQLITE_OPEN_READWRITE | SQLITE_OPEN_URI, nullptr);
    } else {
        rc = sqlite3_open16(ZsUtf8ToUtf16(ZsPathToUtf8(path)).c_str(), &pDb);
    }
    std::unique_ptr<sqlite3, DbCloser> db(pDb);
    if (rc != SQLITE_OK) {
        msLastError = pDb ? sqlite3_errmsg(pDb) : sqlite3_errstr(rc);
        mnLastErrorCode = rc & 0xFF;
        ZS_LOG_ERR("CSQLite::Open", "sqlite3_open('%s')=%d %s", ZsPathToUtf8(path).c_str(), rc,
                   msLastError.c_str());
        return false;
    }
    Harden(pDb);
    sqlite3_progress_handler(pDb, kStepsPerTick, &CSQLite::OnProgress, this);
    if (nMode != ZS_SQL_READ_ONLY) {
        // Another program's save holds the file for a moment: wait for it rather than fail at once.
        sqlite3_busy_timeout(pDb, ZS_SQL_BUSY_TIMEOUT_MS);
    }
    mpDb = std::move(db);
    mnMode = nMode;
    mFileId = ZsGetFileId(path);
    return true;
}

int CSQLite::OnProgress(void* pSelf) {
    CSQLite& self = *static_cast<CSQLite*>(pSelf);
    if (self.mnWorkLimit != 0 && ++self.mnWorkTicks > self.mnWorkLimit / kStepsPerTick) {
        self.mbWorkExceeded = true;
        return 1;
    }
    return 0;
}

void CSQLite::StartWork() {
    mnWorkTicks = 0;
    mbWorkExceeded = false;
}

void CSQLite::SwapConnection(CSQLite& other) {
    std::swap(mpDb, other.mpDb);
    // Each handler counts the work of the object that now holds the connection.
    if (mpDb) {
        sqlite3_progress_handler(mpDb.get(), kStepsPerTick, &CSQLite::OnProgress, this);
    }
    if (other.mpDb) {
        sqlite3_progress_handler(other.mpDb.get(), kStepsPerTick, &CSQLite::OnProgress, &other);
    }
    std::swap(mpStmt, other.mpStmt);
    std::swap(mnMode, other.mnMode);
    std::swap(mFileId, other.mFileId);
}

bool CSQLite::CopyInto(CSQLite& dest) {
    Finalize();
    if (!mpDb || !dest.mpDb) {
        msLastError = "no connection";
        return false;
    }
    sqlite3_backup* pBackup = sqlite3_backup_init(dest.mpDb.get(), "main", mpDb.get(), "main");
    if (!pBackup) {
        msLastError = sqlite3_errmsg(dest.mpDb.get());
        mnLastErrorCode = sqlite3_errcode(dest.mpDb.get()) & 0xFF;
        ZS_LOG_ERR("CSQLite::CopyInto", "sqlite3_backup_init: %s", msLastError.c_str());
        return false;
    }
    const int rcStep = sqlite3_backup_step(pBackup, -1);
    const int rc = sqlite3_backup_finish(pBackup);
    if (rcStep != SQLITE_DONE || rc != SQLITE_OK) {
        const int rcFailed = rcStep != SQLITE_DONE ? rcStep : rc;
        msLastError = sqlite3_errstr(rcFailed);
        mnLastErrorCode = rcFailed & 0xFF;
        ZS_LOG_ERR("CSQLite::CopyInto", "sqlite3_backup_step=%d %s", rcFailed, msLastError.c_str());
        return false;
    }
    return true;
}

bool CSQLite::IsReadOnlyConnection() const {
    return mpDb && sqlite3_db_readonly(mpDb.get(), "main") == 1;
}

std::optional<int64_t> CSQLite::DataVersion() {
    return mpDb ? QueryInt("pragma data_version;") : std::nullopt;
}

bool CSQLite::OpenReader(CSQLite& reader) const {
    const char* pszFile = mpDb ? sqlite3_db_filename(mpDb.get(), "main") : nullptr;
    if (!pszFile || !*pszFile) {
        return false;
    }
    reader.CloseDb();
    const std::string sUri = FileUri(std::filesystem::path(pszFile));
    sqlite3* pDb = nullptr;
    const int rc = sqlite3_open_v2((mnMode == ZS_SQL_READ_ONLY ? sUri + "?immutable=1" : sUri).c_str(), &pDb,
                                   SQLITE_OPEN_READONLY | SQLITE_OPEN_URI, nullptr);
    std::unique_ptr<sqlite3, DbCloser> db(pDb);
    if (rc != SQLITE_OK) {
        reader.msLastError = pDb ? sqlite3_errmsg(pDb) : sqlite3_errstr(rc);
        return false;
    }
    // SQLite opens the file at once, so a file found in the same place after the open is the one it read.
    const std::optional<ZS_FILE_ID> id = ZsGetFileId(std::filesystem::path(pszFile));
    if (!mFileId || id != mFileId) {
        reader.msLastError = "another file has taken the place of the library";
        return false;
    }
    Harden(pDb);
    sqlite3_progress_handler(pDb, kStepsPerTick, &CSQLite::OnProgress, &reader);
    reader.mnWorkLimit = mnWorkLimit;
    reader.mpDb = std::move(db);
    reader.mnMode = mnMode;
    reader.mFileId = id;
    return true;
}

void CSQLite::CloseDb() {
    mpStmt.reset();
    mpDb.reset();
    mFileId.reset();
}

void CSQLite::Finalize() {
    mpStmt.reset();
}

bool CSQLite::Prepare(std::string_view sql) {
    mpStmt.reset();
    if (!mpDb) {
        msLastError = "no connection";
        ZS_LOG_ERR("CSQLite::Prepare", "no connection for '%.*s'", static_cast<int>(sql.size()), sql.data());
        return false;
    }
    StartWork();
    std::u16string wSql = ZsUtf8ToUtf16(sql);
    sqlite3_stmt* pStmt = nullptr;
    int rc = sqlite3_prepare16_v2(mpDb.get(), wSql.c_str(), -1, &pStmt, nullptr);
    mpStmt.reset(pStmt);
    if (rc != SQLITE_OK || !pStmt) {
        msLastError = sqlite3_errmsg(mpDb.get());
        mnLastErrorCode = rc & 0xFF;
        ZS_LOG_ERR("CSQLite::Prepare", "sqlite3_prepare16_v2('%.*s')=%d %s", static_cast<int>(sql.size()),
                   sql.data(), rc, sqlite3_errmsg(mpDb.get()));
        mpStmt.reset();
        return false;
    }
    return true;
}

int CSQLite::Step() {
    return Checked(mpStmt ? sqlite3_step(mpStmt.get()) : SQLITE_MISUSE);
}

int CSQLite::Checked(int rc) {
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_OK) {
        msLastError = mpDb ? sqlite3_errmsg(mpDb.get()) : sqlite3_errstr(rc);
        mnLastErrorCode = rc & 0xFF;
        if (mbWorkExceeded) {
            msLastError = ZS_SQL_TOO_LONG;
            ZS_LOG_ERR("CSQLite::Step", "'%s': ended after %llu steps",
                       mpStmt ? sqlite3_sql(mpStmt.get()) : "", static_cast<unsigned long long>(mnWorkLimit));
        }
    }
    return rc;
}

bool CSQLite::Exec(std::string_view sql) {
    if (!Prepare(sql)) {
        return false;
    }
    int rc = Step();
    mpStmt.reset();
    return rc == SQLITE_DONE;
}

bool CSQLite::ExecBlob(std::string_view sql, const uint8_t* pData, size_t nSize) {
    if (!Prepare(sql)) {
        return false;
    }
    bool bOk = true;
    if (pData) {
        if (nSize > static_cast<size_t>(INT_MAX)) {
            msLastError = sqlite3_errstr(SQLITE_TOOBIG);
            ZS_LOG_ERR("CSQLite::ExecBlob", "blob of %zu bytes", nSize);
            bOk = false;
        } else {
            bOk = Checked(sqlite3_bind_blob(mpStmt.get(), 1, pData, static_cast<int>(nSize),
                                            SQLITE_STATIC)) == SQLITE_OK;
        }
    }
    if (bOk) {
        int rc = Step();
        bOk = rc == SQLITE_DONE;
        if (!bOk) {
            ZS_LOG_ERR("CSQLite::ExecBlob", "sqlite3_step('%.*s')=%d %s", static_cast<int>(sql.size()),
                       sql.data(), rc, sqlite3_errmsg(mpDb.get()));
        }
    }
    bOk = sqlite3_finalize(mpStmt.release()) == SQLITE_OK && bOk;
    return bOk;
}

std::optional<ZsBytes> CSQLite::QueryBlob(std::string_view sql) {
    if (!Prepare(sql)) {
        return std::nullopt;
    }
    if (Step() != SQLITE_ROW) {
        mpStmt.reset();
        return std::nullopt;
    }
    const void* p = sqlite3_column_blob(mpStmt.get(), 0);
    int n = sqlite3_column_bytes(mpStmt.get(), 0);
    if (!p || n <= 0) {
        return ZsBytes();
    }
    return ZsBytes(static_cast<const uint8_t*>(p), static_cast<size_t>(n));
}

std::optional<ZsBlock> CSQLite::QueryBlobCopy(std::string_view sql) {
    std::optional<ZsBytes> bytes = QueryBlob(sql);
    if (!bytes) {
        return std::nullopt;
    }
    ZsBlock block(bytes->begin(), bytes->end());
    mpStmt.reset();
    return block;
}

std::string CSQLite::QueryText(std::string_view sql) {
    std::string text;
    if (Prepare(sql) && Step() == SQLITE_ROW) {
        text = CZsSqlRow(mpStmt.get()).Text(0);
    }
    mpStmt.reset();
    return text;
}

bool CSQLite::QueryRows(std::string_view sql, const std::function<bool(const CZsSqlRow&)>& onRow) {
    if (!Prepare(sql)) {
        return false;
    }
    int rc = Step();
    while (rc == SQLITE_ROW && onRow(CZsSqlRow(mpStmt.get()))) {
        rc = Step();
    }
    mpStmt.reset();
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

int64_t CZsSqlRow::Int(int nColumn) const {
    return sqlite3_column_int64(mpStmt, nColumn);
}

std::string CZsSqlRow::Text(int nColumn) const {
    const void* p = sqlite3_column_text16(mpStmt, nColumn);
    int n = sqlite3_column_bytes16(mpStmt, nColumn);
    if (!p || n <= 0) {
        return {};
    }
    return ZsUtf16ToUtf8(std::u16string_view(static_cast<const char16_t*>(p), static_cast<size_t>(n) / 2));
}

ZsBytes CZsSqlRow::Blob(int nColumn) const {
    const void* p = sqlite3_column_blob(mpStmt, nColumn);
    int n = sqlite3_column_bytes(mpStmt, nColumn);
    if (!p || n <= 0) {
        return {};
    }
    return ZsBytes(static_cast<const uint8_t*>(p), static_cast<size_t>(n));
}

std::optional<int64_t> CSQLite::QueryInt(std::string_view sql) {
    std::optional<int64_t> value;
    if (Prepare(sql) && Step() == SQLITE_ROW) {
        value = sqlite3_column_int64(mpStmt.get(), 0);
    }
    mpStmt.reset();
    return value;
}

int CSQLite::QueryExists(std::string_view sql) {
    if (!Prepare(sql)) {
        return -1;
    }
    int rc = Step();
    mpStmt.reset();
    return rc == SQLITE_ROW ? 1 : rc == SQLITE_DONE ? 0 : -1;
}

int CSQLite::Changes() const {
    return mpDb ? sqlite3_changes(mpDb.get()) : 0;
}

bool CSQLite::InTransaction() const {
    return mpDb && sqlite3_get_autocommit(mpDb.get()) == 0;
}

bool CSQLite::BeginTrans() {
    return Exec("begin transaction;");
}

bool CSQLite::BeginWriteTrans() {
    return Exec("begin immediate transaction;");
}

bool CSQLite::CommitTrans() {
    return Exec("commit transaction;");
}

bool CSQLite::RollbackTrans() {
    return Exec("rollback transaction;");
}

std::string CSQLite::SqlQuote(std::string_view text) {
    return text.empty() ? std::string("null") : ZsSqlQuote(text);
}

CZsSqlStatement CSQLite::PrepareStatement(std::string_view sql) {
    CZsSqlStatement statement;
    if (!Prepare(sql)) {
        return statement;
    }
    statement.mpStmt.reset(mpStmt.release());
    statement.mpOwner = this;
    return statement;
}

bool CZsSqlStatement::BindInt(int nParam, int64_t nValue) {
    return mpStmt && sqlite3_bind_int64(mpStmt.get(), nParam, nValue) == SQLITE_OK;
}

bool CZsSqlStatement::BindText(int nParam, std::string_view text) {
    if (!mpStmt || text.size() > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    const int rc = text.empty() ? sqlite3_bind_null(mpStmt.get(), nParam)
                                : sqlite3_bind_text(mpStmt.get(), nParam, text.data(),
                                                    static_cast<int>(text.size()), SQLITE_TRANSIENT);
    return rc == SQLITE_OK;
}

bool CZsSqlStatement::BindBlob(int nParam, ZsBytes data) {
    if (!mpStmt || data.size() > static_cast<size_t>(INT_MAX)) {
        return false;
    }
    const int rc = data.empty() ? sqlite3_bind_null(mpStmt.get(), nParam)
                                : sqlite3_bind_blob(mpStmt.get(), nParam, data.data(),
                                                    static_cast<int>(data.size()), SQLITE_STATIC);
    return rc == SQLITE_OK;
}

int CZsSqlStatement::Step() {
    mpOwner->StartWork();
    const int rc = sqlite3_step(mpStmt.get());
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        mpOwner->msLastError =
            mpOwner->mbWorkExceeded ? ZS_SQL_TOO_LONG : sqlite3_errmsg(sqlite3_db_handle(mpStmt.get()));
        ZS_LOG_ERR("CZsSqlStatement::Step", "sqlite3_step('%s')=%d %s", sqlite3_sql(mpStmt.get()), rc,
                   mpOwner->msLastError.c_str());
    }
    return rc;
}

void CZsSqlStatement::Reset() {
    sqlite3_reset(mpStmt.get());
    sqlite3_clear_bindings(mpStmt.get());
}

bool CZsSqlStatement::Run() {
    if (!mpStmt) {
        return false;
    }
    const int rc = Step();
    Reset();
    return rc == SQLITE_DONE;
}

std::optional<int64_t> CZsSqlStatement::RunInt() {
    if (!mpStmt) {
        return std::nullopt;
    }
    std::optional<int64_t> value;
    if (Step() == SQLITE_ROW && sqlite3_column_type(mpStmt.get(), 0) != SQLITE_NULL) {
        value = sqlite3_column_int64(mpStmt.get(), 0);
    }
    Reset();
    return value;
}
