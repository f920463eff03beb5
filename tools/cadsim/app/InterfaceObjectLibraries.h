#pragma once

#include "cadsim/model/InterfaceObjects.h"

#include <QString>

namespace cadsim {

class CadProfile;

// Where the simulator finds the library of an interface object's class, as a
// CAD finds it through the system's registry. On Windows that is COM's own
// registry (InprocServer32), and the object is made by CoCreateInstance in
// this process. Elsewhere the profile maps the ProgID to a library
// (CadProfile::interfaceObjectLibrary); without a mapping, the walker of the
// Ведорис built with it (its ProgID and file, walk/WalkerIdentity.h) is found
// beside the simulator's own program, where the build puts it, as its
// installer registers it on Windows.
InterfaceObjectSource interfaceObjectLibraries(const CadProfile& profile, const QString& programFolder);

} // namespace cadsim
