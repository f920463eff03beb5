#include "cad/CadEnvironment.h"

// Without a system registry the CAD simulator finds the walker by its own
// settings, or beside itself, where the build puts it beside the program;
// nothing is registered here.
QString CadEnvironment::offerWalkerToTheCad(const QString& ownFolder) { return ownFolder; }
