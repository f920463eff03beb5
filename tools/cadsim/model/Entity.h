#pragma once

#include "cadsim/model/XData.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cadsim {

// One model-space entity as the simulator keeps it.
struct Entity {
    std::u16string dxfName;    // "3DSOLID", "LINE", ...
    int32_t entityType = 0;    // the automation EntityType code (see EntityTypes.h)
    std::u16string handle;     // hexadecimal, unique in the drawing
    std::u16string layer;
    int64_t objectId = 0;      // as stored; the application may offset it when reporting
    std::vector<XDataGroup> xdata; // in the order the applications were attached

    bool operator==(const Entity&) const = default;

    // The data of one registered application (matched without regard to
    // letter case, as the CAD matches application names), or nullptr.
    const XDataGroup* xdataFor(std::u16string_view application) const;
    XDataGroup* xdataFor(std::u16string_view application);
};

} // namespace cadsim
