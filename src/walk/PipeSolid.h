#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>

// The mark the CAD-side pipe program leaves on a pipe: a 3D solid whose
// extended data of application "trb" holds the kind under group 1070 (10 for
// a pipe, a 16-bit integer) and the point (length, outer radius, inner
// radius) under group 1010.
namespace pipesolid {

inline constexpr const char16_t* Application = u"trb";
inline constexpr int32_t KindGroup = 1070;
inline constexpr int32_t SizeGroup = 1010;
inline constexpr int16_t PipeKind = 10;
inline constexpr int32_t SolidEntityType = 3; // EntityType of a 3D solid

} // namespace pipesolid

namespace walk {

// Whether the entity is a pipe. Only a 16-bit 10 marks one: the same number
// in another type is somebody else's data. Failures of the calls pass through.
bool isPipeSolid(const automation::Variant& entity);

} // namespace walk
