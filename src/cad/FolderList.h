#pragma once

#include <QString>

// Folder lists of the CAD application (SupportPath, TRUSTEDPATHS) are texts
// of folders separated by ";". Elements are taken exactly as they stand: no
// blanks trimmed, no case folded, no separator added or removed. A leading
// ";" or a ";;" gives an empty element; a trailing ";" gives none.
namespace FolderList {

// Splits the first element off `rest` and leaves the remainder in it.
QString takeFirst(QString& rest);

// `list` with `folder` appended after a ";" — none added when the list is
// empty or already ends with one.
QString appended(const QString& list, const QString& folder);

} // namespace FolderList
