#pragma once

// The CAD link: the connection to the running CAD application with its
// commands, entity selection, and the extended-data reader.
#include "cad/GetXDataValue.h"
#include "cad/SelectEntityById.h"
#include "cad/TAbstrAcadObj.h"
