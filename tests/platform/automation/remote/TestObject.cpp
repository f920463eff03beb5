#include "TestObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace automation;

namespace {

class Child : public DispatchObject {
public:
    Child(std::u16string name, std::shared_ptr<std::atomic<int>> counter)
        : m_counter(std::move(counter))
    {
        ++*m_counter;
        define(u"Name", [name = std::move(name)](InvokeKind kind, Args args) {
            expectRead(kind);
            expectArgs(args, 0);
            return Variant::bstr(name);
        });
    }
    ~Child() override { --*m_counter; }

private:
    std::shared_ptr<std::atomic<int>> m_counter;
};

} // namespace

TestObject::TestObject()
{
    m_shared = std::make_shared<Child>(u"shared", m_children);
    define(u"Echo", [](InvokeKind, Args args) {
        expectArgs(args, 1);
        return args[0].value();
    });
    define(u"Swap", [](InvokeKind, Args args) {
        expectArgs(args, 2);
        Variant a = args[0].value();
        args[0].slot() = args[1].value();
        args[1].slot() = std::move(a);
        return Variant();
    });
    define(u"Fill", [](InvokeKind, Args args) {
        expectArgs(args, 2);
        args[0].slot() = Variant::array({Variant::i2(1001), Variant::i2(1070), Variant::i2(1010)});
        args[1].slot() = Variant::array({Variant::bstr(u"trb"), Variant::i2(10),
                                         Variant::array({Variant::r8(1000), Variant::r8(25), Variant::r8(20)})});
        return Variant();
    });
    define(u"Child", [this](InvokeKind, Args args) {
        expectArgs(args, 1);
        return Variant::dispatch(std::make_shared<Child>(args[0].value().toBStr(), m_children));
    });
    define(u"Shared", [this](InvokeKind, Args) { return Variant::dispatch(m_shared); });
    define(u"IsShared", [this](InvokeKind, Args args) {
        expectArgs(args, 1);
        return Variant::boolean(args[0].value().isDispatch() && args[0].value().toDispatch() == m_shared);
    });
    define(u"LiveChildren", [this](InvokeKind, Args) { return Variant::i4(m_children->load()); });
    define(u"Fail", [](InvokeKind, Args args) -> Variant {
        expectArgs(args, 2);
        throw AutomationError(args[0].value().toI4(), args[1].value().toBStr(), u"TestServer");
    });
    define(u"Throw", [](InvokeKind, Args) -> Variant { throw std::runtime_error("plain failure"); });
    define(u"Sleep", [](InvokeKind, Args args) {
        expectArgs(args, 1);
        std::this_thread::sleep_for(std::chrono::milliseconds(args[0].value().toI4()));
        return Variant();
    });
    define(u"Value", [this](InvokeKind kind, Args args) {
        std::lock_guard lock(m_mutex);
        if (kind == InvokeKind::PropertyPut) {
            expectArgs(args, 1);
            m_value = args[0].value();
            return Variant();
        }
        return m_value;
    });
}
