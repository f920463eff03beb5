#pragma once

#include <QString>

#include <cstdint>

// One layer of a drawing as it was read: its name, its position in the
// document's layer collection (from 0) and its three states.
struct TLayer {
    QString Name;
    int32_t Index = 0;
    bool Lock = false;
    bool Freeze = false;
    bool LayerOn = false;

    bool operator==(const TLayer&) const = default;
};
