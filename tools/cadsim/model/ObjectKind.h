#pragma once

#include <cstdint>

namespace cadsim {

// The kinds of automation object the simulator serves; faults and the call
// record name objects by kind.
enum class ObjectKind : uint8_t {
    Application,
    Documents,
    Document,
    ModelSpace,
    Entity,
    Layers,
    Layer,
    SelectionSet,
    Preferences,
    PreferencesFiles,
    State,         // what GetAcadState answers
    DrawingReader, // a drawing opened without the editor (GetInterfaceObject)
};

const char* objectKindName(ObjectKind kind);

} // namespace cadsim
