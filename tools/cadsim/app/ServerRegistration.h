#pragma once

#include <QStringList>

#include <optional>

namespace cadsim {

// The program's registration switches, looked for before the usual options:
// "/regserver" registers the simulator's class as "AutoCAD.Application" for
// the current user, "/unregserver" removes it. COM finds a running object
// only by a registered class; the local sockets used elsewhere need none, so
// there the switches only say so. Returns the exit code when a switch was
// given (0 done, 1 failed), nothing otherwise.
std::optional<int> runRegistrationSwitch(const QStringList& arguments);

} // namespace cadsim
