#pragma once

#include <QChar>
#include <QString>

namespace os {

// The platform's own path separator: '\' on Windows, '/' elsewhere.
QChar separator();

// Pure path helpers. They take the separator as a parameter so that Windows
// forms (D:\Tools, C:\) behave the same whichever system runs them.

// The folder part of a file path: everything before the last separator,
// without it, except for a root, which keeps it ("C:\" for C:\prog.exe, "/"
// for /prog, "\\" for \\prog). With '\' as the separator a drive's ':' also
// ends the folder ("C:" for C:prog.exe). A path without any separator has an
// empty folder.
QString folderOf(const QString& path, QChar separator);

// The file name of a path: what follows its last separator, of either kind
// (a path written on Windows read elsewhere, or the other way round).
QString fileNameOf(const QString& path);

// `name` inside `folder`: one separator between them, never two ("C:\" + "a"
// is "C:\a"). An empty folder yields the name alone.
QString joinPath(const QString& folder, const QString& name, QChar separator);

// The folder without a trailing separator, unless that would leave a root
// without its separator ("C:\" and "/" stay as they are).
QString withoutTrailingSeparator(const QString& folder, QChar separator);

} // namespace os
