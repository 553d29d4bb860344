#include <gtest/gtest.h>

#include "LibTestUtil.h"
#include "library/ZsSQLite.h"

TEST(SQLite, StatementsBlobsAndTextRoundTrip) {
    test::TempDir dir;
    CSQLite db;
    ASSERT_TRUE(db.Open(dir / "a.db"));
    ASSERT_TRUE(db.Exec("create table t(id integer primary key, data blob, name text);"));
    const uint8_t bytes[] = {1, 2, 0, 4};
    EXPECT_TRUE(db.ExecBlob("insert into t(id, data) values(1, ?);", bytes, sizeof(bytes)));
    EXPECT_TRUE(db.ExecBlob("insert into t(id, data) values(2, ?);", nullptr, 0));
    EXPECT_TRUE(db.Exec("update t set name=" + CSQLite::SqlQuote("it's \xC3\xA4") + " where id=1;"));
    EXPECT_TRUE(db.Exec("update t set name=" + CSQLite::SqlQuote("") + " where id=2;"));
    std::optional<ZsBlock> copy = db.QueryBlobCopy("select data from t where id=1;");
    ASSERT_TRUE(copy);
    EXPECT_EQ(*copy, ZsBlock(bytes, bytes + 4));
    std::optional<ZsBytes> null = db.QueryBlob("select data from t where id=2;");
    ASSERT_TRUE(null);
    EXPECT_TRUE(null->empty());
    db.Finalize();
    EXPECT_FALSE(db.QueryBlob("select data from t where id=3;"));
    EXPECT_EQ(db.QueryText("select name from t where id=1;"), "it's \xC3\xA4");
    EXPECT_EQ(db.QueryText("select name from t where id=2;"), "");
    EXPECT_EQ(db.QueryInt("select count(*) from t where name is null;"), 1);
    EXPECT_EQ(db.QueryExists("select id from t where id=2;"), 1);
    EXPECT_EQ(db.QueryExists("select id from t where id=9;"), 0);
    EXPECT_EQ(db.QueryExists("select id from nowhere;"), -1);
    EXPECT_FALSE(db.Exec("not sql at all;"));
    EXPECT_EQ(CSQLite::SqlQuote(""), "null");
    EXPECT_EQ(CSQLite::SqlQuote("it's"), "'it''s'");
    // A new file holds its text as UTF-16.
    EXPECT_EQ(db.QueryText("pragma encoding;"), "UTF-16le");
}

TEST(SQLite, TransactionRollsBackUnlessCommitted) {
    test::TempDir dir;
    CSQLite db;
    ASSERT_TRUE(db.Open(dir / "a.db"));
    ASSERT_TRUE(db.Exec("create table t(id integer primary key);"));
    {
        CZsSqlTransaction trans(db);
        ASSERT_TRUE(trans.Active());
        EXPECT_TRUE(db.Exec("insert into t(id) values(1);"));
    }
    EXPECT_EQ(db.QueryInt("select count(*) from t;"), 0);
    {
        CZsSqlTransaction trans(db);
        EXPECT_TRUE(db.Exec("insert into t(id) values(2);"));
        EXPECT_TRUE(trans.Commit());
    }
    EXPECT_EQ(db.QueryInt("select count(*) from t;"), 1);
    db.CloseDb();
    EXPECT_FALSE(db.IsOpen());
    EXPECT_FALSE(db.Exec("select 1;"));
}

TEST(SQLite, StatementsEndAfterTheWorkLimit) {
    test::TempDir dir;
    CSQLite db;
    ASSERT_TRUE(db.Open(dir / "a.db"));
    const std::string sEndless =
        "with recursive r(n) as (select 1 union all select n + 1 from r) select n from r";
    db.SetWorkLimit(1'000'000);
    EXPECT_FALSE(db.QueryInt(sEndless + " where n < 0;"));
    EXPECT_EQ(db.LastError(), ZS_SQL_TOO_LONG);
    EXPECT_FALSE(db.QueryRows(sEndless + ";", [](const CZsSqlRow&) { return true; }));
    // Each statement has the whole limit; without a limit the work is the caller's to bound.
    EXPECT_EQ(db.QueryInt(sEndless + " where n = 1000 limit 1;"), 1000);
    db.SetWorkLimit(0);
    EXPECT_EQ(db.QueryInt(sEndless + " where n = 2000000 limit 1;"), 2000000);
    // Nothing of a file's schema runs: its triggers never fire.
    ASSERT_TRUE(db.Exec("create table t(id integer primary key);"));
    ASSERT_TRUE(db.Exec("create table log(id integer);"));
    ASSERT_TRUE(db.Exec("create trigger tr after insert on t begin insert into log values(new.id); end;"));
    EXPECT_TRUE(db.Exec("insert into t values(1);"));
    EXPECT_EQ(db.QueryInt("select count(*) from log;"), 0);
}
