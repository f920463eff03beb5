#pragma once

#include <QString>

namespace os {

// A value of the string table of a file's version resource ("FileVersion",
// or one of the file's own names), in the first language the resource
// lists; empty when the file has no such resource or value. Windows reads the
// resource as data: nothing of the file runs.
QString fileVersionString(const QString& file, const QString& name);

} // namespace os
