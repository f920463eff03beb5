#include "cad/CadEnvironment.h"

// Without a system registry the CAD simulator finds the walker by its own
// settings, or beside itself; nothing is registered here.
void CadEnvironment::offerWalkerToTheCad(const QString&) {}
