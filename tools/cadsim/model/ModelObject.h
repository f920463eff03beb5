#pragma once

#include "ObjectKind.h"
#include "SimulatorState.h"

#include "platform/automation/Dispatch.h"

#include <cstddef>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace cadsim {

// The base of every automation object the simulator serves. Each call takes
// the model's lock, passes the busy switch and the planted faults, and runs
// its member; observers hear of the changes after the lock is released.
//
// Members are declared with the invocation kinds a CAD's type library gives
// them: a property answers a get or a method-or-get (and a put when it is
// writable); a method answers a method call or a method-or-get. Any other
// kind is DISP_E_MEMBERNOTFOUND, a wrong argument count DISP_E_BADPARAMCOUNT,
// an unknown name DISP_E_UNKNOWNNAME.
//
// A client walking a large drawing creates an object per entity, so an object
// is cheap to make: the members of a class are one table, built on first use
// and shared by every object of the class, whose handlers get the object.
class ModelObject : public automation::Dispatch {
public:
    automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind,
                               automation::Args args) override;

    ObjectKind objectKind() const { return m_kind; }

protected:
    // The members of one class of object, looked up without regard to the
    // letter case of ASCII letters, as IDispatch matches names.
    class MemberTable {
    public:
        using Handler =
            std::function<automation::Variant(ModelObject&, automation::InvokeKind, automation::Args)>;

        const Handler* find(std::u16string_view name) const;

    protected:
        void add(std::u16string_view name, Handler handler);

        // The checks of the invocation kind and the argument count; true
        // when a property call is a put.
        static bool admitProperty(automation::InvokeKind kind, automation::Args args, bool writable);
        static void admitMethod(automation::InvokeKind kind, automation::Args args, size_t minArgs,
                                size_t maxArgs);

    private:
        struct Entry {
            std::u16string name;
            Handler handler;
        };
        std::vector<Entry> m_entries; // a handful per class: a scan beats hashing
    };

    // A table built for the class T, whose handlers take a T:
    //   static const Members<T> table = Members<T>().property(u"Name", get).method(...);
    template <typename T>
    class Members : public MemberTable {
    public:
        using Getter = automation::Variant (*)(T&);
        using Setter = void (*)(T&, const automation::Variant&);
        using Method = automation::Variant (*)(T&, automation::Args);

        Members& property(std::u16string_view name, Getter get, Setter set = nullptr)
        {
            add(name, [get, set](ModelObject& object, automation::InvokeKind kind, automation::Args args) {
                if (admitProperty(kind, args, set != nullptr)) {
                    set(static_cast<T&>(object), args[0].value());
                    return automation::Variant();
                }
                return get(static_cast<T&>(object));
            });
            return *this;
        }

        Members& method(std::u16string_view name, size_t minArgs, size_t maxArgs, Method run)
        {
            add(name, [minArgs, maxArgs, run](ModelObject& object, automation::InvokeKind kind,
                                               automation::Args args) {
                admitMethod(kind, args, minArgs, maxArgs);
                return run(static_cast<T&>(object), args);
            });
            return *this;
        }
    };

    // `members` outlives every object (a static table of the class); `handle`
    // names the entity an entity object stands for, for faults.
    ModelObject(std::shared_ptr<SimulatorState> state, ObjectKind kind, const MemberTable& members,
                std::u16string handle = {});

    SimulatorState& state() const { return *m_state; }
    const std::shared_ptr<SimulatorState>& sharedState() const { return m_state; }
    const std::u16string& handle() const { return m_handle; }

private:
    std::shared_ptr<SimulatorState> m_state;
    const MemberTable& m_members;
    ObjectKind m_kind;
    std::u16string m_handle;
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
