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
    // A CAD installs under Program Files\Autodesk, which only an
    // administrator may write, and trusts it and its plug-in folders.
    QStringList folders;
    const auto below = [&](const char* variable, const QString& rest) {
        const QString root = qEnvironmentVariable(variable);
        if (!root.isEmpty())
            folders << os::withoutTrailingSeparator(root, u'\\') + rest;
    };
    below("ProgramFiles", QStringLiteral("\\Autodesk"));
    below("ProgramData", QStringLiteral("\\Autodesk\\ApplicationPlugins"));
    below("APPDATA", QStringLiteral("\\Autodesk\\ApplicationPlugins"));
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
