#pragma once

#include "ObjectKind.h"
#include "SimulatorState.h"

#include "platform/automation/Dispatch.h"

#include <functional>
#include <memory>
#include <string>

namespace cadsim {

// The base of every automation object the simulator serves. Each call takes
// the model's lock, passes the busy switch and the planted faults, and runs
// its member; observers hear of the changes after the lock is released.
//
// Members are declared with the invocation kinds a CAD's type library gives
// them: a property answers a get or a method-or-get (and a put when it is
// writable); a method answers a method call or a method-or-get. Any other
// kind is DISP_E_MEMBERNOTFOUND, a wrong argument count DISP_E_BADPARAMCOUNT.
class ModelObject : public automation::DispatchObject {
public:
    automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind,
                               automation::Args args) override;

    ObjectKind objectKind() const { return m_kind; }

protected:
    using Getter = std::function<automation::Variant()>;
    using Setter = std::function<void(const automation::Variant&)>;
    using Method = std::function<automation::Variant(automation::Args)>;

    ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, std::u16string handle = {});

    void property(std::u16string_view name, Getter get, Setter set = {});
    void method(std::u16string_view name, size_t minArgs, size_t maxArgs, Method run);

    SimulatorState& state() const { return *m_state; }
    const std::shared_ptr<SimulatorState>& sharedState() const { return m_state; }

private:
    std::shared_ptr<SimulatorState> m_state;
    ObjectKind m_kind;
    std::u16string m_handle; // the entity an entity object stands for, for faults
};

// Helpers for members.
namespace args {
// An index argument (16-, 32- or 64-bit integer); anything else is a type mismatch.
int64_t index(const automation::Arg& arg);
std::u16string text(const automation::Arg& arg); // BStr, or a type mismatch
bool boolean(const automation::Arg& arg);              // Bool, or a type mismatch
[[noreturn]] void badIndex();
} // namespace args

} // namespace cadsim
