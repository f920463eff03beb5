// Offering this program's objects to other programs through COM: as the
// running instance of a ProgID, and as a class that COM makes objects of.
#include "ComFixture.h"

#include "ComTestIds.h"

#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/com/ClassObject.h"
#include "platform/automation/com/ComObjects.h"
#include "platform/automation/com/ComPtr.h"
#include "platform/automation/publish/Publish.h"

#include <windows.h>

using namespace automation;

namespace {

class Counter : public TableObject {
public:
    Counter() : TableObject(members()) {}

private:
    static const MemberTable& members()
    {
        static const Members<Counter> table =
            Members<Counter>().method(u"Next", 0, 0, [](Counter& c, Args) { return Variant::i4(++c.m_value); });
        return table;
    }

    int32_t m_value = 0;
};

TEST(Publish, ARunningObjectIsFoundUntilItsRegistrationGoes)
{
    const DispatchRef counter = std::make_shared<Counter>();
    {
        Registration running = publishRunningObject(u"Vedoris.ComTest.Own", counter);
        EXPECT_EQ(get(Variant::dispatch(activeObject(u"Vedoris.ComTest.Own")), u"Next"), Variant::i4(1));
    }
    EXPECT_EQ(failureOf([] { activeObject(u"Vedoris.ComTest.Own"); }).code(), hr::Mk_E_Unavailable);
}

TEST(Publish, ASecondRunningInstanceOfTheSameProgIdIsRefused)
{
    Registration first = publishRunningObject(u"Vedoris.ComTest.Own", std::make_shared<Counter>());
    try {
        Registration second = publishRunningObject(u"Vedoris.ComTest.Own", std::make_shared<Counter>());
        ADD_FAILURE() << "published twice";
    } catch (const PublishError& e) {
        EXPECT_STREQ(e.what(), "Vedoris.ComTest.Own: another server is already registered as the running instance");
    }
    // The first one still answers.
    EXPECT_EQ(get(Variant::dispatch(activeObject(u"Vedoris.ComTest.Own")), u"Next"), Variant::i4(1));
}

TEST(Publish, AProgIdWithoutAClassCannotBePublished)
{
    const struct {
        const char* name;
        std::function<Registration()> publish;
    } cases[] = {
        {"RunningObject", [] { return publishRunningObject(u"Vedoris.NoSuchClass", std::make_shared<Counter>()); }},
        {"Class", [] { return publishClass(u"Vedoris.NoSuchClass", [] { return std::make_shared<Counter>(); }); }},
    };
    for (const auto& c : cases) {
        try {
            Registration r = c.publish();
            ADD_FAILURE() << c.name << ": published";
        } catch (const PublishError& e) {
            EXPECT_STREQ(e.what(), "Vedoris.NoSuchClass: Invalid class string") << c.name;
        }
    }
}

TEST(Publish, APublishedClassMakesANewObjectForEveryCreation)
{
    int made = 0;
    {
        Registration offered = publishClass(u"Vedoris.ComTest.Own", [&made] {
            ++made;
            return std::make_shared<Counter>();
        });
        const Variant first = Variant::dispatch(com::createObject(u"Vedoris.ComTest.Own"));
        const Variant second = Variant::dispatch(com::createObject(u"Vedoris.ComTest.Own"));
        EXPECT_EQ(get(first, u"Next"), Variant::i4(1));
        EXPECT_EQ(get(first, u"Next"), Variant::i4(2));
        EXPECT_EQ(get(second, u"Next"), Variant::i4(1)) << "an object of its own";
        EXPECT_EQ(made, 2);
    }
    // Revoked: the class has no server program to start.
    EXPECT_EQ(failureOf([] { com::createObject(u"Vedoris.ComTest.Own"); }).code(), hr::RegDb_E_ClassNotReg);
}

TEST(Publish, WhatClientsHoldIsCountedUntilTheyLetGo)
{
    Registration offered = publishClass(u"Vedoris.ComTest.Own", [] { return std::make_shared<Counter>(); });
    const size_t before = com::heldByClients();
    com::ComPtr<IDispatch> held;
    ASSERT_EQ(::CoCreateInstance(kOwnObjectClsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IDispatch, held.putVoid()),
              S_OK);
    EXPECT_EQ(com::heldByClients(), before + 1);

    com::ComPtr<IClassFactory> factory;
    ASSERT_EQ(::CoGetClassObject(kOwnObjectClsid, CLSCTX_LOCAL_SERVER, nullptr, IID_IClassFactory,
                                 factory.putVoid()),
              S_OK);
    factory->LockServer(TRUE);
    EXPECT_EQ(com::heldByClients(), before + 2) << "a lock keeps the server as an object does";

    held.reset();
    factory->LockServer(FALSE);
    EXPECT_EQ(com::heldByClients(), before);
}

} // namespace
