#pragma once

#include <QByteArray>
#include <QString>

namespace db {

// What a database file is, told by its first bytes alone.
enum class FileFormat {
    Sqlite,    // "SQLite format 3" and its terminating zero
    AccessJet, // an Access file up to Access 2003 (Jet 3 and Jet 4)
    AccessAce, // an Access 2007 or later file of the same layout (ACE)
    Other,     // anything else, an empty file included
};

// The format of a file that begins with these bytes.
FileFormat fileFormatOf(const QByteArray& leadingBytes);

// Reads the first bytes of the file, opened for reading only, and tells its
// format; a file that cannot be read is Other.
FileFormat readFileFormat(const QString& path);

} // namespace db
