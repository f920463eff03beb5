#pragma once

#include <QString>

namespace os {

// The full path of the running program's executable file.
QString executablePath();

// The folder that holds the executable, without a trailing separator except
// when it is a root ("C:\", "/"). The program's own files (the database,
// tr.fas) lie there.
QString executableFolder();

} // namespace os
