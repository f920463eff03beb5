#pragma once

#include "ModelObject.h"

namespace cadsim {

// One model-space entity. It stands for the entity by its handle, so it
// fails once the entity is erased, as an object of an erased entity does.
class EntityObject : public ModelObject {
public:
    EntityObject(std::shared_ptr<SimulatorState> state, std::shared_ptr<DocumentData> document,
                 std::u16string handle);

private:
    const Entity& entity() const;
    void getXData(automation::Args args) const;

    std::shared_ptr<DocumentData> m_document;
    std::u16string m_handle;
};

} // namespace cadsim
