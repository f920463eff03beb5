#pragma once

#include <QChar>
#include <QString>

#include <functional>
#include <optional>

// Folder lists of the CAD application (SupportPath, TRUSTEDPATHS) are texts
// of folders separated by ";". Elements are split off exactly as they stand:
// no blanks trimmed, no case folded, no separator added or removed. A leading
// ";" or a ";;" gives an empty element; a trailing ";" gives none.
namespace FolderList {

// Splits the first element off `rest` and leaves the remainder in it.
QString takeFirst(QString& rest);

// `list` with `folder` appended after a ";" — none added when the list is
// empty or already ends with one.
QString appended(const QString& list, const QString& folder);

// The value of an environment variable, or nothing when it is not set.
using Environment = std::function<std::optional<QString>(const QString& name)>;
Environment processEnvironment();

// The folder an element of TRUSTEDPATHS names, read as the CAD reads it:
// blanks around it and a pair of double quotes dropped, every %NAME% of a set
// variable replaced by its value, a trailing separator dropped (a root keeps
// its own). Empty for an element that names no folder.
QString folderNamed(const QString& element, QChar separator, const Environment& environment);

// Whether two folders, each as folderNamed reads it, are the same: their
// names compared without regard to letter case, as the CAD's file system
// compares them.
bool sameFolder(const QString& a, const QString& b);

// Whether `folder` is `root` or lies below it.
bool within(const QString& folder, const QString& root, QChar separator);

} // namespace FolderList
