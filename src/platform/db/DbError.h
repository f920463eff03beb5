#pragma once

#include <QString>

#include <stdexcept>

namespace db {

// A failure of the database layer; what() and message() carry the text the
// top-level handler shows. One that SQLite reported carries SQLite's
// (extended) result code as well, for whoever must tell a locked file from a
// damaged one; the layer's own failures carry none (0).
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message, int sqliteCode = 0)
        : std::runtime_error(message.toStdString()), m_message(message), m_sqliteCode(sqliteCode)
    {
    }
    const QString& message() const { return m_message; }
    int sqliteCode() const { return m_sqliteCode; }

private:
    QString m_message;
    int m_sqliteCode;
};

} // namespace db
