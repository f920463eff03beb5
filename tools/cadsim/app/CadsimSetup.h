#pragma once

#include "cadsim/app/CadsimOptions.h"
#include "cadsim/model/Simulator.h"

#include <cstdint>
#include <optional>

namespace cadsim {

class CadProfile;

// The ObjectID shift of one run: a CAD hands out new ObjectIDs in every
// session (they are addresses of the session's objects); only the handles are
// saved with the drawing. With a seed, a run's shift repeats.
int64_t sessionIdShift(std::optional<uint32_t> seed, bool bigIds);

// The simulator as the command line and the profile ask for it: the
// profile's folders, then every behaviour the options switch on, and the
// DXF reader for the drawing files it is asked to open. The
// profile's interface-object libraries are looked up while the simulator
// runs: `profile` must outlive it.
void applyOptions(Simulator& simulator, const CadsimOptions& options, const CadProfile& profile,
                  const QString& programFolder, int64_t objectIdOffset);

} // namespace cadsim
