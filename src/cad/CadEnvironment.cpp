#include "cad/CadEnvironment.h"

#include "platform/os/Executable.h"
#include "platform/os/FileCopy.h"
#include "platform/os/Paths.h"
#include "platform/messages/Progress.h"

#include <utility>

namespace {

CadEnvironment& current()
{
    static CadEnvironment environment = CadEnvironment::system();
    return environment;
}

} // namespace

CadEnvironment CadEnvironment::system()
{
    // The pause between idle questions keeps the program's windows drawn.
    return CadEnvironment{&os::executableFolder, os::separator(), &os::copyFile, &progress::pause, &os::othersMayWrite};
}

const CadEnvironment& cadEnvironment()
{
    return current();
}

CadEnvironment setCadEnvironment(CadEnvironment environment)
{
    return std::exchange(current(), std::move(environment));
}
