#include "platform/os/Paths.h"

#include <algorithm>

namespace os {
namespace {

// "C:" — a drive letter and a colon, the part of a Windows path that needs
// its separator to name the root rather than the drive's current folder.
bool isDrive(const QString& text)
{
    return text.size() == 2 && text[1] == u':' && text[0].isLetter();
}

} // namespace

QChar separator()
{
#ifdef _WIN32
    return u'\\';
#else
    return u'/';
#endif
}

QString folderOf(const QString& path, QChar separator)
{
    // With '\' the drive's ':' ends a folder too ("C:v.exe" lies in "C:").
    const bool drives = separator == u'\\';
    qsizetype last = path.size() - 1;
    while (last >= 0 && path.at(last) != separator && !(drives && path.at(last) == u':'))
        --last;
    if (last < 0)
        return QString();
    // A root keeps its separator: the first character ("/x"), one after a
    // drive ("C:\x") or after another separator ("\\x").
    const bool root = path.at(last) != separator || last == 0 || path.at(last - 1) == separator
                      || (drives && path.at(last - 1) == u':');
    return path.left(root ? last + 1 : last);
}

QString fileNameOf(const QString& path)
{
    const qsizetype slash = std::max(path.lastIndexOf(u'/'), path.lastIndexOf(u'\\'));
    return path.mid(slash + 1);
}

QString joinPath(const QString& folder, const QString& name, QChar separator)
{
    if (folder.isEmpty())
        return name;
    if (folder.endsWith(separator))
        return folder + name;
    return folder + separator + name;
}

QString withoutTrailingSeparator(const QString& folder, QChar separator)
{
    QString result = folder;
    while (result.size() > 1 && result.endsWith(separator)) {
        const QString shorter = result.left(result.size() - 1);
        if (isDrive(shorter))
            break;
        result = shorter;
    }
    return result;
}

} // namespace os
