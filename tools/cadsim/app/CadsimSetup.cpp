#include "cadsim/app/CadsimSetup.h"

#include "cadsim/app/CadProfile.h"
#include "cadsim/app/DxfReader.h"
#include "cadsim/app/InterfaceObjectLibraries.h"
#include "cadsim/model/CadPersonality.h"

#include <random>

namespace cadsim {

int64_t sessionIdShift(std::optional<uint32_t> seed, bool bigIds)
{
    // The drawing's own ids are moved down by a multiple of 8 chosen per run,
    // far enough to tell runs apart and near enough to stay 32-bit values.
    // The engine's raw output is the same on every platform; a
    // distribution's is not.
    std::mt19937 random(seed ? *seed : std::random_device{}());
    const int64_t shift = -8 * (1 + int64_t(random() % (1u << 20)));
    constexpr int64_t bigIdOffset = int64_t{1} << 32;
    return (bigIds ? bigIdOffset : 0) + shift;
}

void applyOptions(Simulator& simulator, const CadsimOptions& options, const CadProfile& profile,
                  const QString& programFolder, int64_t objectIdOffset)
{
    simulator.setPersonality(*findCadPersonality(options.as.toStdU16String()));
    std::vector<std::u16string> missing;
    for (const QString& name : options.missingVariables)
        missing.push_back(name.toUpper().toStdU16String());
    simulator.setMissingVariables(std::move(missing));
    simulator.setSupportPath(profile.supportPath().toStdU16String());
    simulator.setTrustedPaths(profile.trustedPaths().toStdU16String());
    if (options.versionText)
        simulator.setVersion(options.versionText->toStdU16String());
    simulator.setBusy(options.busy);
    simulator.setLargeObjectIds(true, objectIdOffset);
    simulator.setIdleDelay(std::chrono::milliseconds(options.idleDelayMs));
    simulator.setBusyAfterCommand(std::chrono::milliseconds(options.busyAfterCommandMs));
    if (options.refuseCallsAfter)
        simulator.setRefuseAfterCalls(uint64_t(*options.refuseCallsAfter), std::chrono::milliseconds(options.refuseForMs));
    simulator.setTrustedPathsLocked(options.lockedTrustedPaths);
    if (options.userCommand) {
        simulator.startUserCommand(options.userCommandMs
                                       ? std::optional(std::chrono::milliseconds(*options.userCommandMs))
                                       : std::nullopt);
    }
    simulator.setSecureLoad(options.secureLoad);
    simulator.setInterfaceObjectsAllowed(options.interfaceObjects);
    simulator.setDrawingReaderAllowed(options.drawingReader);
    // Documents.Open and the drawing reader read DXF, whatever the file's
    // extension: the simulator's drawings stand for the CAD's own files.
    simulator.setDrawingLoader([](const std::u16string& path) { return readDxfFile(path); });
    simulator.setProgramFolder(programFolder.toStdU16String());
    simulator.setInterfaceObjectSource(interfaceObjectLibraries(profile, programFolder));
}

} // namespace cadsim
