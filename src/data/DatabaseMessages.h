#pragma once

#include <QString>

// The texts by which the program tells the user what became of its database
// file. Each names the file by the path it was opened with.

// "Не могу подключиться к базе данных." and, on a second line, why: the path
// of a file that is not there, a file that is no SQLite database, or an
// Access file of the old format; for a file that is a database but still
// failed (a table that does not match), the failure's own text. The file is
// only read to tell which.
QString connectionFailureMessage(const QString& path, const QString& failure);

// Said once when the file opened but cannot be written.
QString readOnlyMessage(const QString& path);

// "Отсутствует подключение к базе данных!!!": a command that writes the pipe
// table found it not open.
QString noConnectionMessage();
