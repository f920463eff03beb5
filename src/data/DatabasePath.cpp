#include "data/DatabasePath.h"

QString executableFolder(const QString& executablePath, QChar separator)
{
    const bool drives = separator == QLatin1Char('\\');
    qsizetype last = executablePath.size() - 1;
    while (last >= 0) {
        const QChar c = executablePath.at(last);
        if (c == separator || (drives && c == QLatin1Char(':')))
            break;
        --last;
    }
    if (last < 0)
        return QString();
    // Keep the separator of a root folder: the first character ("/x"), after
    // a drive ("C:\x") or after another separator ("\\x").
    const bool root = executablePath.at(last) != separator || last == 0
                      || executablePath.at(last - 1) == separator
                      || (drives && executablePath.at(last - 1) == QLatin1Char(':'));
    return executablePath.left(root ? last + 1 : last);
}

QString rewriteConnectionString(const QString& connectionString, const QString& executablePath, QChar separator)
{
    const QString replacement = QStringLiteral("Source=") + executableFolder(executablePath, separator) + separator
                                + QString::fromUtf16(databaseFileName);
    QString result = connectionString;
    // QString::replace works left to right and never rescans what it put in,
    // so a folder that itself reads "[Source]" is inserted once.
    result.replace(QStringLiteral("[Source]"), replacement, Qt::CaseSensitive);
    return result;
}
