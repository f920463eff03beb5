#include "cad/FolderList.h"

#include "platform/os/EnvironmentText.h"
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


QString folderNamed(const QString& element, QChar separator, const Environment& environment)
{
    QString folder = element.trimmed();
    if (folder.size() >= 2 && folder.startsWith(u'"') && folder.endsWith(u'"'))
        folder = folder.mid(1, folder.size() - 2).trimmed();
    folder = QString::fromStdU16String(os::expandVariables(
        folder.toStdU16String(), [&](std::u16string_view name) -> std::optional<std::u16string> {
            const std::optional<QString> value = environment(QString::fromStdU16String(std::u16string(name)));
            return value ? std::optional(value->toStdU16String()) : std::nullopt;
        }));
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
