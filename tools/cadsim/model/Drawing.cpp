#include "cadsim/model/Drawing.h"

#include "cadsim/model/EntityTypes.h"
#include "cadsim/model/Text.h"

#include <optional>
#include <random>
#include <stdexcept>
#include <utility>

namespace cadsim {

namespace {

// The value of a hexadecimal handle text, or nothing for any other text.
std::optional<uint64_t> handleValue(std::u16string_view handle)
{
    if (handle.empty() || handle.size() > 16)
        return std::nullopt;
    uint64_t value = 0;
    for (char16_t c : handle) {
        unsigned digit;
        if (c >= u'0' && c <= u'9')
            digit = c - u'0';
        else if (c >= u'A' && c <= u'F')
            digit = c - u'A' + 10;
        else if (c >= u'a' && c <= u'f')
            digit = c - u'a' + 10;
        else
            return std::nullopt;
        value = value * 16 + digit;
    }
    return value;
}

std::u16string hexText(uint64_t value)
{
    static constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text;
    do {
        text.insert(text.begin(), digits[value % 16]);
        value /= 16;
    } while (value != 0);
    return text;
}

} // namespace

std::u16string Drawing::handleKey(std::u16string_view handle)
{
    std::u16string key(handle);
    for (char16_t& c : key)
        if (c >= u'a' && c <= u'f')
            c = static_cast<char16_t>(c - u'a' + u'A');
    return key;
}

Layer& Drawing::addLayer(Layer layer)
{
    if (Layer* existing = this->layer(layer.name)) {
        existing->locked = layer.locked;
        existing->frozen = layer.frozen;
        existing->on = layer.on;
        return *existing;
    }
    m_layerByName.emplace(foldCase(layer.name), m_layers.size());
    return m_layers.emplace_back(std::move(layer));
}

const Layer* Drawing::layer(std::u16string_view name) const
{
    const auto found = m_layerByName.find(foldCase(name));
    return found == m_layerByName.end() ? nullptr : &m_layers[found->second];
}

bool Drawing::renameLayer(std::u16string_view name, std::u16string newName)
{
    const auto found = m_layerByName.find(foldCase(name));
    if (found == m_layerByName.end())
        return false;
    std::u16string newKey = foldCase(newName);
    const size_t position = found->second;
    if (newKey != found->first) {
        if (m_layerByName.contains(newKey))
            return false;
        m_layerByName.erase(found);
        m_layerByName.emplace(std::move(newKey), position);
    }
    m_layers[position].name = std::move(newName);
    return true;
}

Layer* Drawing::layer(std::u16string_view name)
{
    return const_cast<Layer*>(std::as_const(*this).layer(name));
}

Entity& Drawing::addEntity(Entity entity)
{
    if (entity.handle.empty()) {
        while (m_byHandle.contains(hexText(m_nextHandle)))
            ++m_nextHandle;
        entity.handle = hexText(m_nextHandle++);
    } else {
        const std::optional<uint64_t> value = handleValue(entity.handle);
        if (!value)
            throw std::invalid_argument("entity handle is not hexadecimal");
        if (m_byHandle.contains(handleKey(entity.handle)))
            throw std::invalid_argument("entity handle already used");
        if (*value >= m_nextHandle)
            m_nextHandle = *value + 1;
    }
    if (entity.objectId == 0) {
        entity.objectId = m_nextObjectId;
        m_nextObjectId += 8;
    } else if (entity.objectId >= m_nextObjectId) {
        m_nextObjectId = entity.objectId + 8;
    }
    if (entity.entityType == 0)
        entity.entityType = entityTypeForDxfName(entity.dxfName);
    if (!layer(entity.layer))
        addLayer(entity.layer);
    m_byHandle.emplace(handleKey(entity.handle), m_entities.size());
    return m_entities.emplace_back(std::move(entity));
}

const Entity* Drawing::entity(std::u16string_view handle) const
{
    const int64_t index = indexOf(handle);
    return index < 0 ? nullptr : &m_entities[static_cast<size_t>(index)];
}

Entity* Drawing::entity(std::u16string_view handle)
{
    return const_cast<Entity*>(std::as_const(*this).entity(handle));
}

int64_t Drawing::indexOf(std::u16string_view handle) const
{
    const auto found = m_byHandle.find(handleKey(handle));
    return found == m_byHandle.end() ? -1 : static_cast<int64_t>(found->second);
}

bool Drawing::removeEntity(std::u16string_view handle)
{
    const int64_t index = indexOf(handle);
    if (index < 0)
        return false;
    m_entities.erase(m_entities.begin() + index);
    reindex();
    return true;
}

void Drawing::shiftObjectIds(int64_t offset)
{
    for (Entity& entity : m_entities)
        entity.objectId += offset;
    m_nextObjectId += offset;
}

void Drawing::reindex()
{
    m_byHandle.clear();
    for (size_t i = 0; i < m_entities.size(); ++i)
        m_byHandle.emplace(handleKey(m_entities[i].handle), i);
}

Entity& Drawing::addPipe(std::u16string layer, double length, double outerRadius, double innerRadius)
{
    Entity& pipe = addSolid(std::move(layer));
    pipe.xdata.push_back({u"trb",
                          {XDataItem::int16(1070, 10),
                           XDataItem::point(1010, length, outerRadius, innerRadius)}});
    return pipe;
}

namespace {

// An entity of the kind, on the layer, without extended data.
Entity plainEntity(std::u16string dxfName, int32_t entityType, std::u16string layer)
{
    Entity entity;
    entity.dxfName = std::move(dxfName);
    entity.entityType = entityType;
    entity.layer = std::move(layer);
    return entity;
}

} // namespace

Entity& Drawing::addSolid(std::u16string layer)
{
    return addEntity(plainEntity(u"3DSOLID", entity_type::Solid3d, std::move(layer)));
}

Entity& Drawing::addLine(std::u16string layer)
{
    return addEntity(plainEntity(u"LINE", entity_type::Line, std::move(layer)));
}

Entity& Drawing::addXData(std::u16string_view handle, std::u16string application,
                          std::vector<XDataItem> items)
{
    Entity* target = entity(handle);
    if (!target)
        throw std::invalid_argument("no entity with that handle");
    XDataGroup* group = target->xdataFor(application);
    if (!group)
        group = &target->xdata.emplace_back(XDataGroup{std::move(application), {}});
    for (XDataItem& item : items)
        group->items.push_back(std::move(item));
    return *target;
}

std::u16string newFingerprint()
{
    // A version-4 GUID: 122 random bits, the version nibble 4 and the variant
    // bits 10, as CoCreateGuid makes them.
    std::random_device seed;
    std::mt19937_64 random((uint64_t(seed()) << 32) ^ seed());
    uint8_t bytes[16];
    for (size_t i = 0; i < sizeof bytes; i += 8) {
        const uint64_t word = random();
        for (size_t j = 0; j < 8; ++j)
            bytes[i + j] = uint8_t(word >> (8 * j));
    }
    bytes[6] = uint8_t((bytes[6] & 0x0F) | 0x40);
    bytes[8] = uint8_t((bytes[8] & 0x3F) | 0x80);
    constexpr char16_t digits[] = u"0123456789ABCDEF";
    std::u16string text = u"{";
    for (size_t i = 0; i < sizeof bytes; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10)
            text += u'-';
        text += digits[bytes[i] >> 4];
        text += digits[bytes[i] & 0x0F];
    }
    return text + u"}";
}

} // namespace cadsim
