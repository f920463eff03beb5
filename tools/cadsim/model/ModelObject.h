#pragma once

#include "cadsim/model/ObjectKind.h"
#include "cadsim/model/SimulatorState.h"

#include "platform/automation/MemberTable.h"

#include <memory>
#include <string>
#include <string_view>

namespace cadsim {

// The base of every automation object the simulator serves. Each call takes
// the model's lock, passes the busy switch and the planted faults, and runs
// its member from the class's member table (automation::MemberTable);
// observers hear of the changes after the lock is released.
class ModelObject : public automation::TableObject {
public:
    automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind,
                               automation::Args args) override;

    ObjectKind objectKind() const { return m_kind; }

protected:
    using MemberTable = automation::MemberTable;
    template <typename T>
    using Members = automation::Members<T>;

    // `members` outlives every object (a static table of the class); `handle`
    // names the entity an entity object stands for, for faults.
    ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, const MemberTable& members,
                std::u16string handle = {});

    // Runs before every member, with the model locked, once the call was
    // admitted: an object that can no longer answer throws the CAD's answer.
    virtual void checkUsable() const {}

    SimulatorState& state() const { return *m_state; }
    const std::shared_ptr<SimulatorState>& sharedState() const { return m_state; }
    const std::u16string& handle() const { return m_handle; }

private:
    std::shared_ptr<SimulatorState> m_state;
    ObjectKind m_kind;
    std::u16string m_handle;
};

// Helpers for members.
namespace args {
std::u16string text(const automation::Arg& arg); // BStr, or a type mismatch
bool boolean(const automation::Arg& arg);              // Bool, or a type mismatch
} // namespace args

} // namespace cadsim
