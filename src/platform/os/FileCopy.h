#pragma once

#include <QString>

namespace os {

// Copies one file. With failIfExists an existing destination makes the copy
// fail and is left untouched; otherwise it is replaced. Any failure (missing
// source, unwritable folder, full disk) answers false and leaves no partial
// destination behind. The copy's contents reach the disk before it takes the
// destination's name; on POSIX it gets mode 0644 whatever the source's mode.
bool copyFile(const QString& source, const QString& destination, bool failIfExists);

} // namespace os
