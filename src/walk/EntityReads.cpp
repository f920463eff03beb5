#include "walk/EntityReads.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "walk/PipeSizes.h"
#include "walk/PipeSolid.h"
#include "walk/XDataValue.h"

#include <algorithm>

namespace walk {

using automation::Variant;

void readIdentity(const Variant& entity, PipeRow& row)
{
    try {
        row.layer = automation::get(entity, u"Layer").toBStr();
    } catch (const automation::AutomationError&) {
        // A layer the CAD cannot tell leaves the row without one.
    }
    row.objectId = automation::get(entity, u"ObjectID").toI8();
    try {
        row.handle = automation::get(entity, u"Handle").toBStr();
    } catch (const automation::AutomationError&) {
        // Without a handle the row is found by its ObjectID alone.
    }
}

void readSizes(const Variant& entity, PipeRow& row)
{
    const Variant point = xdataValue(entity, pipesolid::Application, pipesolid::SizeGroup);
    if (point.isNull())
        return;
    // The point holds radii; the table keeps diameters, doubled by
    // automation arithmetic as the CAD's own macro language doubles them.
    const Variant two = Variant::i4(2);
    row.length = point.at(0).toR8();
    row.outerDiameter = automation::multiply(point.at(1), two).toR8();
    row.innerDiameter = automation::multiply(point.at(2), two).toR8();
}

bool hasPipeSizes(const PipeRow& row)
{
    return pipesolid::hasPipeSizes(row.length, row.outerDiameter, row.innerDiameter);
}

bool readPipe(const Variant& entity, PipeRow& row)
{
    if (!isPipeSolid(entity))
        return false;
    try {
        readIdentity(entity, row);
        readSizes(entity, row);
    } catch (const automation::AutomationError&) {
        // A pipe read in part is judged by what was read: an unreadable
        // ObjectID leaves its sizes at zero, and so drops it.
    }
    return hasPipeSizes(row);
}

bool isEntityHandle(std::u16string_view text)
{
    constexpr size_t MaxDigits = 16; // a 64-bit handle
    if (text.empty() || text.size() > MaxDigits)
        return false;
    return std::all_of(text.begin(), text.end(), [](char16_t c) {
        return (c >= u'0' && c <= u'9') || (c >= u'A' && c <= u'F') || (c >= u'a' && c <= u'f');
    });
}

} // namespace walk
