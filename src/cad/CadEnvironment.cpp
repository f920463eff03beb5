#include "cad/CadEnvironment.h"

#include "platform/os/Executable.h"
#include "platform/os/FileCopy.h"
#include "platform/os/Paths.h"
#include "platform/hooks/ProcessHook.h"
#include "platform/messages/Progress.h"

#include <utility>

namespace {

hooks::ProcessHook<CadEnvironment>& hook()
{
    static hooks::ProcessHook<CadEnvironment> installed(CadEnvironment::system());
    return installed;
}

} // namespace

CadEnvironment CadEnvironment::system()
{
    // The pause between idle questions keeps the program's windows drawn.
    return CadEnvironment{&os::executableFolder, os::separator(), &os::copyFile, &progress::pause, &os::othersMayWrite};
}

QStringList CadEnvironment::systemTrustedFolders()
{
#ifdef _WIN32
    // Program Files and Program Files (x86), which only an administrator may
    // write. Not the plug-in folders under ProgramData or the user's
    // AppData: the releases that trust those say so only of themselves, and
    // the user may write there.
    QStringList folders;
    for (const char* variable : {"ProgramFiles", "ProgramFiles(x86)"}) {
        const QString root = qEnvironmentVariable(variable);
        if (!root.isEmpty())
            folders << os::withoutTrailingSeparator(root, u'\\');
    }
    folders.removeDuplicates();
    return folders;
#else
    return {};
#endif
}

const CadEnvironment& cadEnvironment()
{
    return hook().current();
}

CadEnvironment setCadEnvironment(CadEnvironment environment)
{
    return hook().install(std::move(environment));
}
