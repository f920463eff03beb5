#pragma once

#include <QString>

struct sqlite3;

namespace db {

// A readable reason for an SQLite result code, with SQLite's own detail in
// parentheses: "the database file is locked by another user or program
// (database is locked)". db may be null; then only the code's text is used.
QString describeSqliteError(sqlite3* db, int resultCode);

// Throws DbError "<context>: <reason>", with SQLite's result code.
[[noreturn]] void throwSqliteError(sqlite3* db, int resultCode, const QString& context);

} // namespace db
