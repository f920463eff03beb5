#include "data/DatabasePath.h"

#include "platform/os/Paths.h"

QString rewriteConnectionString(const QString& connectionString, const QString& executablePath, QChar separator)
{
    const QString replacement = QStringLiteral("Source=") + os::folderOf(executablePath, separator) + separator
                                + QString::fromUtf16(databaseFileName);
    QString result = connectionString;
    // QString::replace works left to right and never rescans what it put in,
    // so a folder that itself reads "[Source]" is inserted once.
    result.replace(QStringLiteral("[Source]"), replacement, Qt::CaseSensitive);
    return result;
}
