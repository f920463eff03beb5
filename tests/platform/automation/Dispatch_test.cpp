#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"
#include "platform/automation/ObjectRegistry.h"

#include <gtest/gtest.h>

using namespace automation;

namespace {

// A small object with a read-only property, a method with an output
// argument, and a settable property, as servers write them.
class Counter final : public TableObject {
public:
    Counter() : TableObject(members()) {}

private:
    static const MemberTable& members()
    {
        static const Members<Counter> table =
            Members<Counter>()
                .property(
                    u"Value", [](Counter& c) { return Variant::i4(c.m_value); },
                    [](Counter& c, const Variant& value) { c.m_value = value.toI4(); })
                .method(u"Split", 2, 2, [](Counter&, Args args) {
                    args[1].slot() = Variant::bstr(args[0].value().toBStr() + u"!");
                    return Variant::boolean(true);
                });
        return table;
    }

    int32_t m_value = 0;
};

int32_t failureCode(const std::function<void()>& call, std::u16string* member = nullptr)
{
    try {
        call();
    } catch (const CallFailure& e) {
        if (member)
            *member = e.member();
        return e.code();
    }
    return 0;
}

} // namespace

TEST(Dispatch, FindsMembersWhateverTheirLetterCase)
{
    const Variant counter = Variant::dispatch(std::make_shared<Counter>());
    put(counter, u"VALUE", Variant::i4(7));
    EXPECT_EQ(get(counter, u"value"), Variant::i4(7));
}

TEST(Dispatch, WritesByReferenceArgumentsBackAndDropsByValueOnes)
{
    const Variant counter = Variant::dispatch(std::make_shared<Counter>());
    Variant out;
    call(counter, u"Split", Variant::bstr(u"a"), Arg::ref(out));
    EXPECT_EQ(out, Variant::bstr(u"a!"));

    Variant untouched = Variant::i4(1);
    call(counter, u"Split", Variant::bstr(u"b"), untouched);
    EXPECT_EQ(untouched, Variant::i4(1));
}

TEST(Dispatch, FailuresNameTheMemberThatFailed)
{
    const Variant counter = Variant::dispatch(std::make_shared<Counter>());
    std::u16string member;
    EXPECT_EQ(failureCode([&] { get(counter, u"Missing"); }, &member), hr::Disp_E_UnknownName);
    EXPECT_EQ(member, u"Missing");
    EXPECT_EQ(failureCode([&] { get(counter, u"Value", Variant::i4(1)); }, &member), hr::Disp_E_BadParamCount);
    EXPECT_EQ(member, u"Value");
    EXPECT_EQ(failureCode([&] { get(Variant::i4(3), u"Value"); }), hr::Disp_E_TypeMismatch);
}

TEST(ObjectRegistry, NothingRunningIsOperationUnavailable)
{
    const Variant counter = Variant::dispatch(std::make_shared<Counter>());
    EXPECT_EQ(failureCode([] { activeObject(u"Test.NotRunning"); }), hr::Mk_E_Unavailable);
    EXPECT_EQ(failureCode([] { createObject(u"Test.NoClass"); }), hr::Co_E_ClassString);
}

TEST(ObjectRegistry, LaterRegistrationHidesTheEarlierUntilRevoked)
{
    auto first = std::make_shared<Counter>();
    auto second = std::make_shared<Counter>();
    Registration a = registerActiveObject(u"Test.Running", first);
    {
        Registration b = registerActiveObject(u"test.running", second);
        EXPECT_EQ(activeObject(u"Test.Running"), second);
    }
    EXPECT_EQ(activeObject(u"Test.Running"), first);
    a.revoke();
    EXPECT_EQ(failureCode([] { activeObject(u"Test.Running"); }), hr::Mk_E_Unavailable);
    EXPECT_EQ(first.use_count(), 1); // the registry let its reference go
}

TEST(ObjectRegistry, ClassesMakeANewObjectEachTime)
{
    const Registration registration = registerClass(u"Test.Class", [] { return std::make_shared<Counter>(); });
    const DispatchRef one = createObject(u"Test.Class");
    const DispatchRef two = createObject(u"Test.Class");
    ASSERT_TRUE(one && two);
    EXPECT_NE(one, two);
}

TEST(ObjectRegistry, PlatformBackendIsAskedOnlyAfterTheProcessOwnObjects)
{
    struct Backend final : ObjectBackend {
        DispatchRef running = std::make_shared<Counter>();
        int asked = 0;
        DispatchRef activeObject(std::u16string_view) override
        {
            ++asked;
            return running;
        }
        DispatchRef createObject(std::u16string_view) override { return nullptr; }
    };
    auto owned = std::make_unique<Backend>();
    Backend& backend = *owned;
    auto previous = setObjectBackend(std::move(owned));

    auto local = std::make_shared<Counter>();
    {
        const Registration registration = registerActiveObject(u"Test.Both", local);
        EXPECT_EQ(activeObject(u"Test.Both"), local);
        EXPECT_EQ(backend.asked, 0);
    }
    EXPECT_EQ(activeObject(u"Test.Both"), backend.running);
    EXPECT_EQ(backend.asked, 1);
    EXPECT_EQ(failureCode([] { createObject(u"Test.Both"); }), hr::Co_E_ClassString);
    setObjectBackend(std::move(previous));
}

// Where no spreadsheet application is installed, the built-in writer takes
// over; a spreadsheet application that is installed but fails is not hidden
// behind it.
TEST(ObjectRegistry, FallbackClassServesOnlyWhatTheBackendDoesNotKnow)
{
    struct Backend final : ObjectBackend {
        DispatchRef installed = std::make_shared<Counter>();
        DispatchRef activeObject(std::u16string_view) override { return nullptr; }
        DispatchRef createObject(std::u16string_view progId) override
        {
            if (progId == u"Test.Installed")
                return installed;
            if (progId == u"Test.Broken")
                throw AutomationError(hr::E_Fail, u"Server execution failed");
            return nullptr;
        }
    };
    auto owned = std::make_unique<Backend>();
    const DispatchRef installed = owned->installed;
    auto previous = setObjectBackend(std::move(owned));

    int made = 0;
    const auto builtIn = [&made] {
        ++made;
        return std::make_shared<Counter>();
    };
    {
        const Registration a = registerFallbackClass(u"Test.Installed", builtIn);
        const Registration b = registerFallbackClass(u"Test.Broken", builtIn);
        const Registration c = registerFallbackClass(u"Test.Missing", builtIn);

        EXPECT_EQ(createObject(u"Test.Installed"), installed);
        EXPECT_EQ(failureCode([] { createObject(u"Test.Broken"); }), hr::E_Fail);
        EXPECT_EQ(made, 0);
        EXPECT_NE(createObject(u"TEST.MISSING"), nullptr);
        EXPECT_EQ(made, 1);
        // A class of this process still comes before the backend and the fallback.
        const Registration own = registerClass(u"Test.Installed", builtIn);
        EXPECT_NE(createObject(u"Test.Installed"), installed);
        EXPECT_EQ(made, 2);
    }
    // Revoked, the fallback is gone: the class is unknown again.
    EXPECT_EQ(failureCode([] { createObject(u"Test.Missing"); }), hr::Co_E_ClassString);
    setObjectBackend(std::move(previous));
}
