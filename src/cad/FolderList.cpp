#include "cad/FolderList.h"

#include "platform/os/Paths.h"

#include <QtGlobal>

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

Environment processEnvironment()
{
    return [](const QString& name) -> std::optional<QString> {
        const QByteArray key = name.toLocal8Bit();
        if (!qEnvironmentVariableIsSet(key.constData()))
            return std::nullopt;
        return qEnvironmentVariable(key.constData());
    };
}

namespace {

// %NAME% of a variable that is set becomes its value; anything else (an
// unknown name, a lone "%") stays as it is written, as the CAD leaves it.
QString expanded(const QString& text, const Environment& environment)
{
    QString out;
    qsizetype at = 0;
    while (at < text.size()) {
        const qsizetype open = text.indexOf(u'%', at);
        const qsizetype close = open < 0 ? -1 : text.indexOf(u'%', open + 1);
        if (close < 0) {
            out += text.mid(at);
            break;
        }
        out += text.mid(at, open - at);
        const QString name = text.mid(open + 1, close - open - 1);
        const std::optional<QString> value = name.isEmpty() ? std::nullopt : environment(name);
        if (value) {
            out += *value;
            at = close + 1;
        } else {
            out += u'%';
            at = open + 1;
        }
    }
    return out;
}

} // namespace

QString folderNamed(const QString& element, QChar separator, const Environment& environment)
{
    QString folder = element.trimmed();
    if (folder.size() >= 2 && folder.startsWith(u'"') && folder.endsWith(u'"'))
        folder = folder.mid(1, folder.size() - 2).trimmed();
    folder = expanded(folder, environment);
    return os::withoutTrailingSeparator(folder, separator);
}

bool sameFolder(const QString& a, const QString& b)
{
    return QString::compare(a, b, Qt::CaseInsensitive) == 0;
}

bool within(const QString& folder, const QString& root, QChar separator)
{
    if (root.isEmpty())
        return false;
    if (sameFolder(folder, root))
        return true;
    const QString prefix = root.endsWith(separator) ? root : root + separator;
    return folder.startsWith(prefix, Qt::CaseInsensitive);
}

} // namespace FolderList
