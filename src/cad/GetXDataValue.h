#pragma once

#include "platform/automation/Variant.h"

#include <QString>

#include <cstdint>

// The value that `entity` carries under `groupCode` in its extended data for
// the registered application `appName`: when the code occurs several times,
// the last one. Null when there is no such value or the entity answers with
// an error; a failed link to the CAD is raised. The walk of model space reads
// extended data the same way (walk::xdataValue): this is its door for callers
// holding one entity.
automation::Variant GetXDataValue(automation::Variant entity, const QString& appName, int32_t groupCode);
