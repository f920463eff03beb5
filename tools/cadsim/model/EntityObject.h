#pragma once

#include "cadsim/model/ModelObject.h"

#include <cstddef>

namespace cadsim {

// One model-space entity. It stands for the entity by its handle, so it
// fails once the entity is erased, as an object of an erased entity does.
// It remembers where it found the entity last and looks there first; only
// when another entity stands there does it look the handle up.
class EntityObject : public ModelObject {
public:
    static constexpr size_t noPosition = static_cast<size_t>(-1);

    // `position` is where the entity is in model space, when the caller knows.
    EntityObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                 std::u16string handle, size_t position = noPosition);

    // HandleToObject: the entity a handle names, wherever it lies in the
    // drawing; the handle is saved with the drawing, where an ObjectID is not.
    static automation::Variant byHandle(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                                        const std::u16string& handle);

private:
    void checkUsable() const override { m_document->requireOpen(); }
    static const MemberTable& members();
    const Entity& entity() const;
    void getXData(automation::Args args) const;

    std::shared_ptr<DocumentData> m_document;
    mutable size_t m_position; // a hint, used with the model's lock held
};

} // namespace cadsim
