#pragma once

#include "platform/db/Field.h"

#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

class Connection;

// One prepared SQLite statement, finalized when it goes. Every failure is a
// DbError "<context>: <reason>", so the caller names what it was doing once.
class Statement {
public:
    Statement(sqlite3* db, const QString& sql, QString context);
    // A statement the connection keeps between uses: taken from its cache (or
    // prepared) now, handed back reset when this object goes.
    Statement(Connection& connection, const QString& sql, QString context);
    ~Statement();
    Statement(const Statement&) = delete;
    Statement& operator=(const Statement&) = delete;

    // Parameters are numbered from 1, as in SQLite.
    void bind(int index, const FieldValue& value);
    // Runs one step: true when a row is ready, false when the statement is done.
    bool step();
    // Runs a statement that returns no rows (or whose rows do not matter).
    void run();

    int columnCount() const;
    QString columnName(int column) const;
    // The declared type of the column's origin; empty for an expression.
    QString declaredType(int column) const;
    QString originDatabase(int column) const;
    QString originTable(int column) const;
    QString originColumn(int column) const;

    // SQLITE_INTEGER, SQLITE_FLOAT, SQLITE_TEXT, SQLITE_BLOB or SQLITE_NULL.
    int storageClass(int column) const;
    int64_t int64At(int column) const;
    double doubleAt(int column) const;
    QString textAt(int column) const;

    sqlite3_stmt* handle() const { return m_stmt; }

private:
    void prepare(const QString& sql);

    sqlite3* m_db;
    sqlite3_stmt* m_stmt = nullptr;
    QString m_context;
    Connection* m_cache = nullptr;
    QString m_sql;
};

// Runs one or more statements that return nothing ("BEGIN IMMEDIATE").
void execute(sqlite3* db, const QString& sql, const QString& context);

// SQL identifier quoting: "name" with inner quotes doubled.
QString quoteIdentifier(const QString& name);

} // namespace db
