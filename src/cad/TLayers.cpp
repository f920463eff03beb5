#include "cad/TLayers.h"

#include "cad/ResStrings.h"
#include "platform/messages/Messages.h"

#include <stdexcept>

TLayers::TLayers(int32_t capacity) : m_capacity(capacity)
{
    if (capacity < 0)
        throw std::invalid_argument("negative layer list capacity");
    m_items.reserve(static_cast<size_t>(capacity));
}

void TLayers::Add(const TLayer& layer)
{
    if (Count() >= m_capacity) {
        messages::showMessage(ResStrings::format(ResStrings::SFailureToAddLayer, {layer.Name}));
        return;
    }
    m_items.push_back(layer);
}

void TLayers::Clear()
{
    m_items.clear(); // keeps the room taken
}

void TLayers::Assign(const TLayers& source)
{
    if (&source == this)
        return;
    Clear();
    for (const TLayer& layer : source.m_items)
        Add(layer);
}
