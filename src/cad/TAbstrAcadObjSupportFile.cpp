// Placing the CAD-side program into a support folder of the CAD application
// and taking care that the folder is trusted.

#include "cad/CadApplications.h"
#include "cad/CadEnvironment.h"
#include "cad/FolderList.h"
#include "cad/ResStrings.h"
#include "cad/SystemVariables.h"
#include "cad/TAbstrAcadObj.h"
#include "cad/TrustThreshold.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/messages/Messages.h"
#include "platform/os/Paths.h"

using automation::Variant;

namespace {

QString text(const Variant& value)
{
    return QString::fromStdU16String(value.toBStr());
}

QString versionOf(const Variant& application)
{
    return text(automation::get(application, u"Version"));
}

Variant filesOf(const Variant& application)
{
    return automation::get(automation::get(application, u"Preferences"), u"Files");
}

QString supportPathOf(const Variant& application)
{
    return text(automation::get(filesOf(application), u"SupportPath"));
}

// Both lists are split at every ";": a folder whose name holds one would
// become two entries, each naming a folder nobody chose.
bool fitsInAFolderList(const QString& folder)
{
    return !folder.contains(u';');
}

} // namespace

void TAbstrAcadObj::InstallSupportFile(const QString& FileName, uint8_t Mode, bool Overwrite)
{
    const CadEnvironment& environment = cadEnvironment();
    const QChar separator = environment.separator;
    const bool failIfExists = !Overwrite;

    // Older versions know no trusted folders: any folder will do.
    if (isBelowTrustThreshold(versionOf(m_application)))
        Mode = 0;

    const QString exeFolder = environment.executableFolder();
    const QString source = os::joinPath(exeFolder, FileName, separator);

    bool success = false;
    QString rest = supportPathOf(m_application);
    while (!success && !rest.isEmpty()) {
        QString folder = FolderList::takeFirst(rest);
        if ((Mode == 1 || Mode == 2) && !IsTrustedPath(folder))
            folder.clear();
        if (!folder.isEmpty()) {
            QString destination = folder;
            if (!destination.endsWith(separator))
                destination += separator;
            destination += FileName;
            // A support folder that is the executable's own needs no copy:
            // the file is already there.
            success = destination == source || environment.copyFile(source, destination, failIfExists);
        }
        if (success && Mode == 3)
            AddTrustedPath(folder);
    }
    if (success)
        return;

    if (Mode == 2) {
        InstallSupportFile(FileName, 3, Overwrite);
        return;
    }

    // No folder took the file: tell the user, and make the executable's
    // folder a support folder, so the CAD application finds the file there.
    QString list = supportPathOf(m_application);
    messages::showMessage(ResStrings::format(ResStrings::SFailuresToCopyFile,
                                             {source, QString(list).replace(u';', u'\r')}));
    const QString ownFolder = os::withoutTrailingSeparator(exeFolder, separator);
    if (!fitsInAFolderList(ownFolder))
        return;
    const QString newPath = FolderList::appended(list, ownFolder);
    automation::put(filesOf(m_application), u"SupportPath", Variant::bstr(newPath.toStdU16String()));
    // Only the executable's folder is to be trusted for loading code; the
    // other support folders refused the file and were never meant to be.
    AddTrustedPath(ownFolder);
}

bool TAbstrAcadObj::IsTrustedPath(const QString& Folder)
{
    const CadEnvironment& environment = cadEnvironment();
    const QChar separator = environment.separator;
    const FolderList::Environment variables = environment.environmentVariable;
    const QString wanted = FolderList::folderNamed(Folder, separator, variables);
    if (wanted.isEmpty())
        return false;
    // The folders trusted without a list are asked of the CAD only for a
    // folder that lies in one: its version is read only then.
    for (const QString& root : environment.implicitlyTrusted())
        if (FolderList::within(wanted, FolderList::folderNamed(root, separator, variables), separator)
            && trustsProgramFoldersUnlisted(m_cad ? m_cad->name : std::u16string(), versionOf(m_application)))
            return true;
    // Each entry as the CAD reads it: in quotes or not, with %VARIABLES%, with
    // or without a trailing separator, in any letter case. An entry ending in
    // "\..." trusts its folder and every folder below it.
    const QString subfolders = QString(separator) + QStringLiteral("...");
    QString rest = TrustedPaths(m_document);
    while (!rest.isEmpty()) {
        const QString entry = FolderList::folderNamed(FolderList::takeFirst(rest), separator, variables);
        if (entry.isEmpty())
            continue;
        if (entry.endsWith(subfolders)) {
            const QString root = FolderList::folderNamed(entry.chopped(subfolders.size()), separator, variables);
            if (FolderList::within(wanted, root, separator))
                return true;
        } else if (FolderList::sameFolder(entry, wanted)) {
            return true;
        }
    }
    return false;
}

void TAbstrAcadObj::AddTrustedPath(const QString& Folder)
{
    if (isBelowTrustThreshold(versionOf(m_application)))
        return;
    // A folder that took the file is not trusted for that alone: where others
    // may write, they could put their own code beside it. The file may still
    // lie there; the CAD then asks its user before it loads it.
    if (!fitsInAFolderList(Folder) || cadEnvironment().othersMayWrite(Folder))
        return;
    if (IsTrustedPath(Folder))
        return;
    // An administrator may lock the profile (newer releases keep the list
    // read-only), and other CADs keep no such list: the file is still in
    // place, and the CAD asks its user whether to load it, which the wait
    // after the load command covers.
    SetTrustedPaths(m_document, FolderList::appended(TrustedPaths(m_document), Folder));
}

bool TAbstrAcadObj::MayLoadCodeFrom(const QString& Folder)
{
    if (SecureLoad(m_document) == 0)
        return true;
    try {
        if (IsTrustedPath(Folder))
            return true;
        AddTrustedPath(Folder);
        return IsTrustedPath(Folder);
    } catch (const automation::AutomationError&) {
        // Where trust cannot be told (the version unread), the CAD would ask
        // its user: it is not asked to load anything.
        return false;
    }
}
