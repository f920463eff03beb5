#pragma once

#include <QMultiHash>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace db {

// An ADO-style connection to the program's database file. The connection
// string is kept as the program states it: "Provider=Microsoft.Jet.OLEDB.4.0"
// selects the embedded SQLite engine and "Data Source" names the file. The
// file is opened read-write and never created: a missing file is a failure.
//
// Other programs may use the same file at once: a write waits up to the busy
// timeout for their locks, and the file keeps a rollback journal (never WAL),
// which also works when the file lies on a shared folder.
//
// "Mode=Read" in the connection string opens the file read-only, as ADO's
// adModeRead does; every write then fails with a DbError.
class Connection {
public:
    Connection() = default;
    ~Connection();
    Connection(const Connection&) = delete;
    Connection& operator=(const Connection&) = delete;

    QString connectionString() const { return m_connectionString; }
    void setConnectionString(const QString& text) { m_connectionString = text; }

    // The file named by Data Source (after parsing the connection string).
    QString dataSource() const;

    // How long a statement waits for another program's lock before it fails.
    // Takes effect on the next open as well as at once when connected.
    static constexpr int defaultBusyTimeoutMs = 5000;
    int busyTimeout() const { return m_busyTimeoutMs; }
    void setBusyTimeout(int milliseconds);

    void open(); // DbError on failure; a second open of an open connection does nothing
    void close();
    bool isConnected() const { return m_db != nullptr; }

    // True when the file could only be opened for reading (a read-only file,
    // a folder where no journal can be made, or "Mode=Read"); writes will fail.
    bool isReadOnly() const;
    // True while a Transaction is open on this connection.
    bool inTransaction() const;

    sqlite3* handle() const { return m_db; }

    // Prepared statements kept for the life of the connection, so that a
    // statement run once per row (a post, a delete) is parsed once: take one
    // for its SQL text (nullptr when none is kept) and give it back reset.
    sqlite3_stmt* takeStatement(const QString& sql);
    void keepStatement(const QString& sql, sqlite3_stmt* statement);

private:
    void dropStatements();

    QString m_connectionString;
    int m_busyTimeoutMs = defaultBusyTimeoutMs;
    sqlite3* m_db = nullptr;
    QMultiHash<QString, sqlite3_stmt*> m_statements;
};

} // namespace db
