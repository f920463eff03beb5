#include "cadsim/model/ObjectKind.h"

namespace cadsim {

const char* objectKindName(ObjectKind kind)
{
    switch (kind) {
    case ObjectKind::Application: return "Application";
    case ObjectKind::Documents: return "Documents";
    case ObjectKind::Document: return "Document";
    case ObjectKind::ModelSpace: return "ModelSpace";
    case ObjectKind::Entity: return "Entity";
    case ObjectKind::Layers: return "Layers";
    case ObjectKind::Layer: return "Layer";
    case ObjectKind::SelectionSet: return "SelectionSet";
    case ObjectKind::Preferences: return "Preferences";
    case ObjectKind::PreferencesFiles: return "PreferencesFiles";
    case ObjectKind::State: return "State";
    case ObjectKind::DrawingReader: return "DrawingReader";
    }
    return "?";
}

} // namespace cadsim
