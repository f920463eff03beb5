// The walker of this program's version, registered for the user where the
// installer did not (a program unpacked from the zip offers the CAD its
// walker all the same), and the walkers of older versions beside the program
// cleared away once no CAD holds them.
#include "cad/CadEnvironment.h"

#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/ServerRegistry.h"
#include "platform/os/FileVersion_win.h"
#include "platform/os/FolderSafety.h"
#include "walk/WalkerIdentity.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QVersionNumber>

#include <windows.h>

#include <objbase.h>

namespace {

const std::u16string walkerDescription = u"Vedoris model-space walker";

QString folderOf(const QString& file)
{
    return QDir::toNativeSeparators(QFileInfo(file).absolutePath());
}

QString text(std::u16string_view value) { return QString::fromStdU16String(std::u16string(value)); }

// Whether `file` is the walker of this version, as its version resource says:
// decided before any CAD loads it, without running any of its code.
bool isThisWalker(const QString& file)
{
    return QFileInfo(file).isFile() && os::fileVersionString(file, QStringLiteral("WalkerVersion")) == text(walk::walkerVersion())
           && os::fileVersionString(file, QStringLiteral("WalkerClass")).compare(text(walk::walkerClassId), Qt::CaseInsensitive) == 0;
}

// The file the CAD's GetInterfaceObject would load for this version's
// ProgID, as COM sees the registry from a process like this one (a CAD run
// the same way, as the README asks), or empty where the ProgID names
// another class or none.
QString fileTheCadWouldLoad()
{
    try {
        wchar_t registered[40] = {};
        if (::StringFromGUID2(automation::com::classIdOf(walk::walkerProgId), registered, 40) == 0
            || QString::fromWCharArray(registered).compare(text(walk::walkerClassId), Qt::CaseInsensitive) != 0)
            return {};
    } catch (const std::exception&) {
        return {}; // the ProgID is not registered
    }
    return QString::fromStdU16String(automation::com::inProcessServerPath(walk::walkerProgId));
}

// The program's version a walker's version text names ("0.9.9.9/2").
QVersionNumber programVersionOf(const QString& walkerVersion)
{
    return QVersionNumber::fromString(walkerVersion.section(QLatin1Char('/'), 0, 0));
}

// Walkers of older versions beside the program: an older installation's,
// which an upgrade leaves in place because a CAD may still hold it, or an
// older zip's unpacked into the same folder. Each goes once Windows lets it
// (a DLL that a process has loaded cannot be deleted, so one a CAD holds
// stays until a later harvest finds it free), and with it the user's
// registration of its class where that names it. Only files whose version
// resource says they are a walker of an older version are touched: a newer
// one belongs to a newer copy of the program.
void removeOlderWalkers(const QString& ownFolder)
{
    const QVersionNumber ownVersion = programVersionOf(text(walk::walkerVersion()));
    const QFileInfoList found =
        QDir(ownFolder).entryInfoList({QStringLiteral("vedoris_walker-*.dll")}, QDir::Files | QDir::Hidden);
    for (const QFileInfo& file : found) {
        const QString path = QDir::toNativeSeparators(file.absoluteFilePath());
        if (file.fileName().compare(text(walk::walkerFileName), Qt::CaseInsensitive) == 0)
            continue;
        const QString progId = os::fileVersionString(path, QStringLiteral("WalkerProgID"));
        const QString classId = os::fileVersionString(path, QStringLiteral("WalkerClass"));
        const QVersionNumber version = programVersionOf(os::fileVersionString(path, QStringLiteral("WalkerVersion")));
        if (progId.isEmpty() || classId.isEmpty() || version.isNull() || version >= ownVersion
            || !QFile::remove(path))
            continue;
        const automation::com::UserRegistration registered = automation::com::userRegistration(progId.toStdU16String());
        if (QString::fromStdU16String(registered.inprocServer).compare(path, Qt::CaseInsensitive) != 0)
            continue;
        try {
            automation::com::unregisterServerClass({.progId = progId.toStdU16String(),
                                                    .classId = classId.toStdU16String(),
                                                    .description = walkerDescription,
                                                    .localServer = {},
                                                    .inprocServer = {}});
        } catch (const std::exception&) {
            // A key that cannot be removed names a file that is gone: COM
            // then fails to make the class, which no program of this
            // version asks for.
        }
    }
}

} // namespace

QString CadEnvironment::offerWalkerToTheCad(const QString& ownFolder)
{
    removeOlderWalkers(ownFolder);
    // A registration of this version that names this walker in a folder no
    // other user may write stays: the installer's, or another copy's of the
    // same version. Otherwise the walker beside the program is registered.
    QString registered = fileTheCadWouldLoad();
    if (registered.isEmpty() || !isThisWalker(registered) || os::othersMayWrite(folderOf(registered))) {
        const QString library = QDir::toNativeSeparators(QDir(ownFolder).filePath(text(walk::walkerFileName)));
        if (isThisWalker(library)) {
            try {
                automation::com::registerServerClass({.progId = std::u16string(walk::walkerProgId),
                                                      .classId = std::u16string(walk::walkerClassId),
                                                      .description = walkerDescription,
                                                      .localServer = {},
                                                      .inprocServer = library.toStdU16String()});
            } catch (const std::exception&) {
                // A registry the user may not write: the walk runs in the
                // program, as it always can.
            }
        }
        // Where the CAD looks now: the user's class for a CAD run as the
        // user is; for an elevated one, which does not see the user's
        // classes, only what an administrator registered for the machine.
        registered = fileTheCadWouldLoad();
    }
    // No class at all: the CAD cannot make one, and loads nothing.
    if (registered.isEmpty())
        return ownFolder;
    // Any other file under this ProgID (a machine's class that the user's
    // does not hide) is never offered: no folder is a folder to load it from.
    if (!isThisWalker(registered))
        return {};
    return folderOf(registered);
}
