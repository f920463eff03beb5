#include "data/DatabaseMessages.h"

#include "platform/db/FileFormat.h"

#include <QFileInfo>

namespace {

QString whyNotConnected(const QString& path, const QString& failure)
{
    if (!path.isEmpty() && !QFileInfo(path).isFile())
        return path;
    switch (db::readFileFormat(path)) {
    case db::FileFormat::AccessJet:
    case db::FileFormat::AccessAce:
        return QStringLiteral("это база данных Microsoft Access старого формата; Ведорис хранит данные в SQLite");
    case db::FileFormat::Other:
        return path.isEmpty() ? failure : QStringLiteral("не является базой данных SQLite");
    case db::FileFormat::Sqlite:
        break;
    }
    return failure;
}

} // namespace

QString connectionFailureMessage(const QString& path, const QString& failure)
{
    QString message = QStringLiteral("Не могу подключиться к базе данных.");
    const QString reason = whyNotConnected(path, failure);
    if (!reason.isEmpty())
        message += QLatin1Char('\r') + reason;
    return message;
}

QString readOnlyMessage(const QString& path)
{
    return QStringLiteral("База данных %1 открыта только для чтения: изменения не будут сохранены.").arg(path);
}

QString noConnectionMessage()
{
    return QStringLiteral("Отсутствует подключение к базе данных!!!");
}
