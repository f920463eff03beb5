#include "cadsim/app/InterfaceObjectLibraries.h"

#include "cadsim/app/CadProfile.h"

#include "platform/automation/ModuleObject.h"
#include "walk/WalkerIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace cadsim {

InterfaceObjectSource interfaceObjectLibraries(const CadProfile& profile, const QString& programFolder)
{
    const QString walkerBeside =
        QDir(programFolder).filePath(QString::fromStdU16String(std::u16string(walk::walkerFileName)));
    const QString walkerProgId = QString::fromStdU16String(std::u16string(walk::walkerProgId));
    return [&profile, walkerBeside, walkerProgId](const std::u16string& progId) -> std::optional<InterfaceObjectLibrary> {
        const QString name = QString::fromStdU16String(progId);
        QString path = profile.interfaceObjectLibrary(name);
        if (path.isEmpty() && name.compare(walkerProgId, Qt::CaseInsensitive) == 0)
            path = walkerBeside;
        if (path.isEmpty() || !QFileInfo(path).isFile())
            return std::nullopt;
        const std::string file = QFile::encodeName(QFileInfo(path).absoluteFilePath()).toStdString();
        return InterfaceObjectLibrary{QFileInfo(path).absoluteFilePath().toStdU16String(),
                                      [file, progId] { return automation::createModuleObject(file, progId); }};
    };
}

} // namespace cadsim
