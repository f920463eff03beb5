// The walker's class, registered for the user where the installer did not:
// a program unpacked from the zip offers the CAD its walker all the same.
#include "cad/CadEnvironment.h"

#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/ServerRegistry.h"
#include "walk/WalkerIdentity.h"

#include <QDir>
#include <QFileInfo>

namespace {

QString folderOf(const QString& file)
{
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

} // namespace

QString CadEnvironment::offerWalkerToTheCad(const QString& ownFolder)
{
    // A registration that names a file that is there stays: the installer's,
    // or another copy's, whose version the program checks before it uses it.
    const QString registered =
        QString::fromStdU16String(automation::com::inProcessServerPath(walk::walkerProgId));
    if (!registered.isEmpty() && QFileInfo(registered).isFile())
        return folderOf(registered);
    const QString library = QDir(ownFolder).filePath(QStringLiteral("vedoris_walker.dll"));
    if (!QFileInfo(library).isFile())
        return ownFolder;
    automation::com::ServerClass server;
    server.progId = std::u16string(walk::walkerProgId);
    server.classId = std::u16string(walk::walkerClassId);
    server.description = u"Vedoris model-space walker";
    server.inprocServer = QDir::toNativeSeparators(library).toStdU16String();
    try {
        automation::com::registerServerClass(server);
    } catch (const std::exception&) {
        // A registry the user may not write: the walk runs in the program,
        // as it always can.
    }
    return ownFolder;
}
