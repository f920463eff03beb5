#include "TestObject.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"

#include <chrono>
#include <stdexcept>
#include <thread>

using namespace automation;

namespace {

class Child : public TableObject {
public:
    Child(std::u16string name, std::shared_ptr<std::atomic<int>> counter)
        : TableObject(members()), m_name(std::move(name)), m_counter(std::move(counter))
    {
        ++*m_counter;
    }
    ~Child() override { --*m_counter; }

private:
    static const MemberTable& members()
    {
        static const Members<Child> table =
            Members<Child>().property(u"Name", [](Child& c) { return Variant::bstr(c.m_name); });
        return table;
    }

    std::u16string m_name;
    std::shared_ptr<std::atomic<int>> m_counter;
};

} // namespace

TestObject::TestObject() : TableObject(members())
{
    m_shared = std::make_shared<Child>(u"shared", m_children);
}

const MemberTable& TestObject::members()
{
    static const Members<TestObject> table =
        Members<TestObject>()
            .method(u"Echo", 1, 1, [](TestObject&, Args args) { return args[0].value(); })
            .method(u"Swap", 2, 2,
                    [](TestObject&, Args args) {
                        Variant a = args[0].value();
                        args[0].slot() = args[1].value();
                        args[1].slot() = std::move(a);
                        return Variant();
                    })
            .method(u"Fill", 2, 2,
                    [](TestObject&, Args args) {
                        args[0].slot() = Variant::array({Variant::i2(1001), Variant::i2(1070), Variant::i2(1010)});
                        args[1].slot() =
                            Variant::array({Variant::bstr(u"trb"), Variant::i2(10),
                                            Variant::array({Variant::r8(1000), Variant::r8(25), Variant::r8(20)})});
                        return Variant();
                    })
            .method(u"Child", 1, 1,
                    [](TestObject& o, Args args) {
                        return Variant::dispatch(std::make_shared<Child>(args[0].value().toBStr(), o.m_children));
                    })
            .property(u"Shared", [](TestObject& o) { return Variant::dispatch(o.m_shared); })
            .method(u"IsShared", 1, 1,
                    [](TestObject& o, Args args) {
                        return Variant::boolean(args[0].value().isDispatch()
                                                && args[0].value().toDispatch() == o.m_shared);
                    })
            .property(u"LiveChildren", [](TestObject& o) { return Variant::i4(o.m_children->load()); })
            .method(u"Fail", 2, 2,
                    [](TestObject&, Args args) -> Variant {
                        throw AutomationError(args[0].value().toI4(), args[1].value().toBStr(), u"TestServer");
                    })
            .method(u"Throw", 0, 0, [](TestObject&, Args) -> Variant { throw std::runtime_error("plain failure"); })
            .method(u"Sleep", 1, 1,
                    [](TestObject&, Args args) {
                        std::this_thread::sleep_for(std::chrono::milliseconds(args[0].value().toI4()));
                        return Variant();
                    })
            .property(
                u"Value",
                [](TestObject& o) {
                    std::lock_guard lock(o.m_mutex);
                    return o.m_value;
                },
                [](TestObject& o, const Variant& value) {
                    std::lock_guard lock(o.m_mutex);
                    o.m_value = value;
                });
    return table;
}
