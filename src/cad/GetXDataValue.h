#pragma once

#include "platform/automation/Variant.h"

#include <QString>

#include <cstdint>

// The value that `entity` carries under `groupCode` in its extended data for
// the registered application `appName`: when the code occurs several times,
// the last one. Null when there is no such value or anything at all fails;
// nothing is ever raised.
automation::Variant GetXDataValue(automation::Variant entity, const QString& appName, int32_t groupCode);
