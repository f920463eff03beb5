#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>
#include <string_view>

namespace walk {

// The value that `entity` carries under `groupCode` in its extended data for
// the registered application `application`: when the code occurs several
// times, the last one. Null when there is no such value or anything at all
// fails; nothing is ever raised.
automation::Variant xdataValue(const automation::Variant& entity, std::u16string_view application,
                               int32_t groupCode);

} // namespace walk
