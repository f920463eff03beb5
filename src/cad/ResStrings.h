#pragma once

#include <QString>
#include <QStringList>

// The English message table of the CAD link. Unlike the Russian texts of the
// windows, these four are string resources with fixed identifiers; "\r" in
// them is one carriage return, which a message box shows as a line break.
namespace ResStrings {

inline constexpr int SFailuresToCopyFile = 65173; // %s: source path, %s: support folders, one a line
inline constexpr int SAcadNotReady = 65174;
inline constexpr int SCannotFindAcad = 65175;
inline constexpr int SFailureToAddLayer = 65176; // %s: layer name

// The text of a resource; empty for an identifier the table does not hold.
QString text(int id);

// The text with each "%s" replaced by the next argument, in order, as the
// resource format does; an argument's own "%s" is not expanded again.
QString format(int id, const QStringList& args);

} // namespace ResStrings
