#pragma once

#include "cadsim/model/Entity.h"
#include "cadsim/model/Layer.h"

#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace cadsim {

// A plain in-memory drawing: a layer table and the entities of model space,
// in drawing order. It knows nothing of files or windows; a DXF reader or a
// test fills it through the add functions below.
//
// Handles are hexadecimal texts, unique in the drawing and looked up without
// regard to letter case. Entities added without a handle or an ObjectID get
// the next free ones.
class Drawing {
public:
    Drawing() = default;
    explicit Drawing(std::u16string name) : m_name(std::move(name)) {}

    const std::u16string& name() const { return m_name; }
    void setName(std::u16string name) { m_name = std::move(name); }

    // The drawing's FINGERPRINTGUID: set when the drawing was created and
    // saved with it. Empty for a drawing that has none yet; the simulator
    // gives it a new one when it opens it (newFingerprint).
    const std::u16string& fingerprint() const { return m_fingerprint; }
    void setFingerprint(std::u16string fingerprint) { m_fingerprint = std::move(fingerprint); }

    // Layers --------------------------------------------------------------
    const std::vector<Layer>& layers() const { return m_layers; }
    // Adds the layer, or replaces the flags of an existing one of that name.
    // A layer's name is its key in the table: change it with renameLayer, not
    // through the reference.
    Layer& addLayer(Layer layer);
    Layer& addLayer(std::u16string name) { return addLayer(Layer{std::move(name)}); }
    // The layer of that name (case-insensitive), or nullptr; in constant time,
    // since every entity added asks for its layer.
    const Layer* layer(std::u16string_view name) const;
    Layer* layer(std::u16string_view name);
    // Gives the layer of that name (case-insensitive) another one; false when
    // there is no such layer or another layer has the new name already.
    bool renameLayer(std::u16string_view name, std::u16string newName);
    // The layer at that position of the table, or nullptr past its end.
    Layer* layerAt(size_t position) { return position < m_layers.size() ? &m_layers[position] : nullptr; }

    // Entities ------------------------------------------------------------
    const std::vector<Entity>& entities() const { return m_entities; }
    // Adds an entity at the end of model space. An empty handle or a zero
    // ObjectID is filled in; an EntityType of 0 is taken from the DXF name;
    // the entity's layer is added to the layer table when missing. A handle
    // that is not hexadecimal or already used is std::invalid_argument.
    Entity& addEntity(Entity entity);
    const Entity* entity(std::u16string_view handle) const;
    Entity* entity(std::u16string_view handle);
    // The position of the entity in model space, or -1.
    int64_t indexOf(std::u16string_view handle) const;
    // Removes the entity; false when there is none with that handle.
    bool removeEntity(std::u16string_view handle);
    // Moves every ObjectID, and those still to be handed out, by `offset`.
    void shiftObjectIds(int64_t offset);

    // Builders for tests and samples ---------------------------------------
    // A pipe solid as the CAD-side pipe program marks it: application "trb",
    // 1070 = 10 (16-bit), 1010 = (length, outer radius, inner radius).
    Entity& addPipe(std::u16string layer, double length, double outerRadius, double innerRadius);
    Entity& addSolid(std::u16string layer);
    Entity& addLine(std::u16string layer);
    // Appends items to the entity's data for that application, creating the
    // application's group when the entity has none (std::invalid_argument
    // for an unknown handle).
    Entity& addXData(std::u16string_view handle, std::u16string application,
                     std::vector<XDataItem> items);

    // The ObjectID given to the first entity without one; later entities get
    // the following ids, 8 apart, as a CAD hands out object addresses.
    static constexpr int64_t firstObjectId = 2130706432; // 0x7F000000

private:
    static std::u16string handleKey(std::u16string_view handle);
    void reindex();

    std::u16string m_name;
    std::u16string m_fingerprint;
    std::vector<Layer> m_layers;
    std::unordered_map<std::u16string, size_t> m_layerByName; // folded name -> position
    std::vector<Entity> m_entities;
    std::unordered_map<std::u16string, size_t> m_byHandle; // upper-case handle -> index
    uint64_t m_nextHandle = 0x100;
    int64_t m_nextObjectId = firstObjectId;
};

// A new drawing identity as a CAD makes one: a random GUID in braces,
// "{XXXXXXXX-XXXX-4XXX-YXXX-XXXXXXXXXXXX}", upper-case.
std::u16string newFingerprint();

} // namespace cadsim
