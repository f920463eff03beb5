#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>
#include <string>

// What a pipe's row is read from, one entity at a time: the entity's own
// properties and the size point of its pipe data. The steps keep what they
// stored before a failure, as a detail that was loaded in part keeps it.
namespace walk {

struct PipeRow {
    std::u16string layer;
    int64_t objectId = 0;
    std::u16string handle; // empty when the CAD could not tell it
    double length = 0.0;
    double outerDiameter = 0.0;
    double innerDiameter = 0.0;

    bool operator==(const PipeRow&) const = default;
};

// Layer, ObjectID and Handle, in this order. A layer or handle the CAD answers
// it cannot tell is no failure (each keeps its value); an unreadable ObjectID
// is, and leaves the handle unread.
void readIdentity(const automation::Variant& entity, PipeRow& row);

// The sizes from the size point (length, outer radius, inner radius): the
// radii become diameters. No point leaves the sizes as they were; a malformed
// one (too short, not numbers) fails after storing the sizes read so far.
void readSizes(const automation::Variant& entity, PipeRow& row);

// Whether the row's sizes are ones a pipe can have (pipesolid::hasPipeSizes).
bool hasPipeSizes(const PipeRow& row);

// The row of a pipe entity, or false when the entity is no pipe with valid
// sizes. Whether it is a pipe is asked first, and failures of that question
// pass through; after that, an error the CAD answers leaves the row with what
// was read. Only the CAD's answers are judged so: a failed link or the
// user's stop passes through from every step.
bool readPipe(const automation::Variant& entity, PipeRow& row);

// True for 1 to 16 hexadecimal digits, the handles a CAD hands out.
bool isEntityHandle(std::u16string_view text);

} // namespace walk
