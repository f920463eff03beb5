#include "cad/FolderList.h"

namespace FolderList {

QString takeFirst(QString& rest)
{
    const qsizetype semicolon = rest.indexOf(u';');
    if (semicolon < 0) {
        QString element = rest;
        rest.clear();
        return element;
    }
    QString element = rest.left(semicolon);
    rest = rest.mid(semicolon + 1);
    return element;
}

QString appended(const QString& list, const QString& folder)
{
    if (list.isEmpty() || list.endsWith(u';'))
        return list + folder;
    return list + u';' + folder;
}

} // namespace FolderList
