#pragma once

#include <string>

namespace cadsim {

// One row of a drawing's layer table.
struct Layer {
    std::u16string name;
    bool locked = false;
    bool frozen = false;
    bool on = true;

    bool operator==(const Layer&) const = default;
};

} // namespace cadsim
