#include "platform/os/Paths.h"

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
    const qsizetype last = path.lastIndexOf(separator);
    if (last < 0)
        return QString();
    const QString folder = path.left(last);
    if (folder.isEmpty() || isDrive(folder))
        return path.left(last + 1); // a root keeps its separator
    return folder;
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
