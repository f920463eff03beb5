#pragma once

#include <QString>

#include <stdexcept>

namespace db {

// A failure of the database layer; what() and message() carry the text the
// top-level handler shows.
class DbError : public std::runtime_error {
public:
    explicit DbError(const QString& message)
        : std::runtime_error(message.toStdString()), m_message(message)
    {
    }
    const QString& message() const { return m_message; }

private:
    QString m_message;
};

} // namespace db
