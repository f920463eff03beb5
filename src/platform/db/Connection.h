#pragma once

#include <QString>

struct sqlite3;

namespace db {

// An ADO-style connection to the program's database file. The connection
// string is kept as the program states it: "Provider=Microsoft.Jet.OLEDB.4.0"
// selects the embedded SQLite engine and "Data Source" names the file. The
// file is opened read-write and never created: a missing file is a failure.
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

    void open(); // DbError on failure; a second open of an open connection does nothing
    void close();
    bool isConnected() const { return m_db != nullptr; }

    sqlite3* handle() const { return m_db; }

private:
    QString m_connectionString;
    sqlite3* m_db = nullptr;
};

} // namespace db
