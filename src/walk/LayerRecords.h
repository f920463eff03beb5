#pragma once

#include "platform/automation/Variant.h"
#include "walk/ModelSpaceWalk.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// The records of a drawing's layer table, read where it costs least, as the
// walk of model space is: inside the CAD by the walker, or call by call from
// the program. Either way the same calls in the same order, Item, then Name,
// Lock, Freeze and LayerOn of each layer, and the same answer.
namespace walk {

struct LayerRecord {
    std::u16string name;
    bool lock = false;
    bool freeze = false;
    bool on = false;

    bool operator==(const LayerRecord&) const = default;
};

// What one range of the layer collection gave. Every layer walked gives its
// record: a layer table that cannot be read is not read in part, so the CAD's
// first error about any member ends the range with it, the failing layer
// being `next`. `next` is also earlier than the range's end when the answer
// was full or the range had taken its time.
struct LayerChunk {
    int32_t next = 0;
    std::optional<ItemFailure> failure;
    std::vector<LayerRecord> records;
};

// The layers of collection indexes [first, first + count).
LayerChunk readLayers(const automation::Variant& layers, int32_t first, int32_t count);

} // namespace walk
