#pragma once

#include "platform/automation/Variant.h"

#include <cstdint>
#include <string>
#include <vector>

namespace cadsim {

// One item of an entity's extended data: a group code and its value, typed as
// the CAD application hands it out through automation. Items are stored as
// given, so a test can also build data that a real CAD would never produce (a
// 1070 group holding a 32-bit integer, a point with two coordinates).
struct XDataItem {
    int16_t code = 0;
    automation::Variant value;

    bool operator==(const XDataItem&) const = default;

    // The usual typing of the extended-data groups.
    static XDataItem text(int16_t code, std::u16string value);  // 1000: BStr
    static XDataItem int16(int16_t code, int16_t value);        // 1070: I2
    static XDataItem int32(int16_t code, int32_t value);        // 1071: I4
    static XDataItem real(int16_t code, double value);          // 1040-1042: R8
    static XDataItem point(int16_t code, double x, double y, double z); // 1010-1013: three R8
};

// The extended data an entity carries for one registered application. The
// 1001 group that names the application is not stored among the items; it is
// put in front when the data is read.
struct XDataGroup {
    std::u16string application;
    std::vector<XDataItem> items;

    bool operator==(const XDataGroup&) const = default;
};

} // namespace cadsim
