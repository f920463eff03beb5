#pragma once

#include "cad/TLayer.h"

#include <cstdint>
#include <vector>

// A list of layer records that holds at most a number fixed when it is made.
// Its room is taken once and never grows; a record that does not fit is
// refused with a message, and work goes on.
class TLayers {
public:
    // A negative capacity is refused (std::invalid_argument).
    explicit TLayers(int32_t capacity);
    TLayers(const TLayers&) = delete;
    TLayers& operator=(const TLayers&) = delete;

    // Stores a copy of `layer`; when the list is full, shows "Failure to add
    // layer … to the layers list!" and stores nothing.
    void Add(const TLayer& layer);
    void Clear();
    // Clear, then Add of every record of `source` in order: records beyond
    // this list's capacity are refused one by one, each with its message.
    void Assign(const TLayers& source);

    int32_t Count() const { return static_cast<int32_t>(m_items.size()); }
    int32_t Capacity() const { return m_capacity; }
    // Records 0 to Count() - 1.
    const TLayer& Items(int32_t index) const { return m_items.at(static_cast<size_t>(index)); }

private:
    int32_t m_capacity;
    std::vector<TLayer> m_items; // reserved to the capacity once
};
