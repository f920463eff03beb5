#include "app/ApplicationIcon.h"

#include <QDir>

QIcon applicationIcon()
{
    // The build renders the sizes into the resource folder below; whichever
    // it holds are taken, so the list of sizes lives in the build alone.
    QIcon icon;
    const QDir folder(QStringLiteral(":/icons"));
    for (const QString& name : folder.entryList({QStringLiteral("vedoris-*.png")}, QDir::Files))
        icon.addFile(folder.filePath(name));
    return icon;
}
