#pragma once

#include "cadsim/model/CadPersonality.h"

#include <QStringList>

#include <optional>
#include <string>
#include <vector>

namespace cadsim {

// The program's registration switches, looked for before the usual options:
// "/regserver" registers the simulator's class under the ProgIDs of the CAD
// it plays ("AutoCAD.Application"; with "--as CAD" that CAD's, with
// "--progid NAME" that one alone) for the current user, "/unregserver"
// removes them. COM finds a running object only
// by a registered class; the local sockets used elsewhere need none, so
// there the switches only say so. Returns the exit code when a switch was
// given (0 done, 1 failed, 2 an unknown CAD), nothing otherwise.
std::optional<int> runRegistrationSwitch(const QStringList& arguments);

// The ProgIDs the simulator answers under: the CAD's, or the one it was
// given (--progid).
inline std::vector<std::u16string> answeringProgIds(const CadPersonality& personality,
                                                    const std::optional<std::u16string>& only)
{
    return only ? std::vector<std::u16string>{*only} : personality.progIds;
}

// The ProgIDs the running simulator is published under, so that a client
// finds it by any of the names it answers under: each one where every ProgID
// is a name of its own (a local socket); the first on Windows, where the
// running object table holds it by its class, which all its ProgIDs name.
std::vector<std::u16string> progIdsToPublish(const std::vector<std::u16string>& answering);

} // namespace cadsim
