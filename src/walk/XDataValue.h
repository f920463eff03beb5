#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>
#include <string_view>

namespace walk {

// The value that `entity` carries under `groupCode` in its extended data for
// the registered application `application`: when the code occurs several
// times, the last one. Null when there is no such value or the entity answers
// the question with an error; only a failure of the link to the CAD (or the
// user's stop of the command) is raised.
automation::Variant xdataValue(const automation::Variant& entity, std::u16string_view application,
                               int32_t groupCode);

} // namespace walk
