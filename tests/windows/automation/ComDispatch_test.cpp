// Calls through IDispatch: how each kind of invocation reaches the server,
// names, failures, and objects passed both ways.
#include "ComFixture.h"

#include "platform/automation/HResult.h"
#include "platform/automation/MemberTable.h"

#include <windows.h>

using namespace automation;

namespace {

class ComDispatchTest : public ComObjectTest {};

TEST_P(ComDispatchTest, EachKindOfInvocationUsesItsOwnFlags)
{
    get(server, u"Describe");
    EXPECT_EQ(text(server, u"LastInvoke"), u"METHOD|GET ()");
    call(server, u"Describe");
    EXPECT_EQ(text(server, u"LastInvoke"), u"METHOD ()");
    Arg none[] = {Variant()};
    invoke(server, u"Describe", InvokeKind::PropertyGet, Args(none).first(0));
    EXPECT_EQ(text(server, u"LastInvoke"), u"GET ()");
}

TEST_P(ComDispatchTest, APutPassesItsValueAsTheNamedArgument)
{
    put(server, u"Value", Variant::boolean(true));
    EXPECT_EQ(text(server, u"LastInvoke"), u"PUT named=PROPERTYPUT (BOOL:-1)");
    EXPECT_EQ(get(server, u"Value"), Variant::boolean(true));
}

TEST_P(ComDispatchTest, ACellsPutTakesTheRowByReference)
{
    // As the spreadsheet export writes a cell: the row counter by reference,
    // the column, then the value.
    Variant row = Variant::i4(2);
    put(server, u"Cells", Arg::ref(row), Variant::i4(3), Variant::bstr(u"Слой"));
    EXPECT_EQ(text(server, u"LastInvoke"),
              u"PUT named=PROPERTYPUT (REF(I4:2),I4:3,BSTR:\"\\u0421\\u043B\\u043E\\u0439\")");
    EXPECT_EQ(row, Variant::i4(2));
    EXPECT_EQ(get(server, u"Cells", Variant::i4(2), Variant::i4(3)), Variant::bstr(u"Слой"));
    EXPECT_TRUE(get(server, u"Cells", Variant::i4(3), Variant::i4(2)).isEmpty());
}

TEST_P(ComDispatchTest, ArgumentsArriveInSourceOrder)
{
    EXPECT_EQ(text(server, u"Describe"), u"");
    EXPECT_EQ(get(server, u"Describe", Variant::i2(1), Variant::i4(2), Variant::bstr(u"3"), Variant::omitted()).toBStr(),
              u"I2:1,I4:2,BSTR:\"3\",ERROR:80020004");
}

TEST_P(ComDispatchTest, MemberNamesAreResolvedWithoutRegardToCase)
{
    EXPECT_EQ(get(server, u"eChO", Variant::i4(4)), Variant::i4(4));
    EXPECT_EQ(get(server, u"LIVEOBJECTS").type(), VarType::I4);
}

// A name crosses to the server once per object: a walk that calls Item on
// one model space as often as it has entities asks for "Item" once.
TEST_P(ComDispatchTest, EachNameIsResolvedOncePerObject)
{
    const int32_t before = get(server, u"NameLookups").toI4();
    get(server, u"Echo", Variant::i4(1));
    get(server, u"Echo", Variant::i4(2));
    get(server, u"eChO", Variant::i4(3)); // spelled otherwise: asked for once more
    EXPECT_EQ(get(server, u"NameLookups").toI4(), before + 2);
    const Variant child = get(server, u"Child");
    get(child, u"Echo", Variant::i4(1));
    EXPECT_EQ(get(child, u"NameLookups").toI4(), 2);
}

// Whatever the user's regional settings, names and values go with the
// locale the servers' own macro languages use.
TEST_P(ComDispatchTest, EveryLookupAndCallPassesTheEnglishLocale)
{
    get(server, u"Echo", Variant::i4(1));
    EXPECT_EQ(get(server, u"Locales"), Variant::bstr(u"1033"));
}

TEST_P(ComDispatchTest, AnUnknownMemberIsAnErrorNamingIt)
{
    const CaughtFailure e = failureOf([&] { get(server, u"NoSuchMember"); });
    EXPECT_EQ(e.code(), hr::Disp_E_UnknownName);
    EXPECT_EQ(e.member(), u"NoSuchMember");
    EXPECT_EQ(e.message(), u"Unknown name");
}

TEST_P(ComDispatchTest, AFailureWithoutExceptionKeepsItsCode)
{
    const CaughtFailure e = failureOf([&] { get(server, u"Echo", Variant::i4(1), Variant::i4(2)); });
    EXPECT_EQ(e.code(), hr::Disp_E_BadParamCount);
    EXPECT_EQ(e.member(), u"Echo");
}

TEST_P(ComDispatchTest, ServerExceptionsCarryTheServersSourceAndDescription)
{
    const struct {
        const char* name;
        const char16_t* member;
        Variant argument;
        int32_t code;
        std::u16string description;
    } cases[] = {
        {"Filled", u"Fail", Variant::bstr(u"Чертёж занят"), hr::code(0x80040201u), u"Чертёж занят"},
        {"ApplicationCode", u"FailWCode", Variant::i4(1001), 1001, u"Failure with an application code"},
    };
    for (const auto& c : cases) {
        const CaughtFailure e = failureOf([&] { call(server, c.member, c.argument); });
        EXPECT_EQ(e.code(), c.code) << c.name;
        EXPECT_EQ(e.source(), u"Vedoris.ComTest") << c.name;
        EXPECT_EQ(e.description(), c.description) << c.name;
        EXPECT_EQ(e.message(), c.description) << c.name;
        EXPECT_EQ(e.member(), std::u16string(c.member)) << c.name;
    }
}

TEST_P(ComDispatchTest, AServerMayLeaveItsTextsToADeferredFillIn)
{
    const CaughtFailure e = failureOf([&] { call(server, u"FailDeferred", Variant::bstr(u"Deferred text")); });
    EXPECT_EQ(e.member(), u"FailDeferred");
    if (GetParam() == Where::LocalServer && runningOnWine()) {
        // Wine's IDispatch stub neither runs the fill-in in the server nor
        // clears it: the texts never cross, and the pointer that arrives
        // belongs to the other process. The call still fails cleanly.
        EXPECT_EQ(e.code(), hr::Disp_E_Exception);
        EXPECT_EQ(e.message(), u"Exception occurred");
        return;
    }
    EXPECT_EQ(e.code(), hr::code(0x80040201u));
    EXPECT_EQ(e.source(), u"Vedoris.ComTest");
    EXPECT_EQ(e.description(), u"Deferred text");
}

TEST_P(ComDispatchTest, ObjectsComeBackAsObjectsAndGoBackAsThemselves)
{
    const int32_t before = get(server, u"LiveObjects").toI4();
    {
        const Variant child = get(server, u"Child");
        ASSERT_TRUE(child.isDispatch());
        EXPECT_EQ(get(server, u"LiveObjects").toI4(), before + 1);
        EXPECT_EQ(get(child, u"Describe", Variant::i2(3)), Variant::bstr(u"I2:3"));
        EXPECT_EQ(get(child, u"IsSelf", child), Variant::boolean(true));
        EXPECT_EQ(get(server, u"IsSelf", child), Variant::boolean(false));
        EXPECT_EQ(get(server, u"Describe", child), Variant::bstr(u"DISPATCH"));
    }
    // Our last reference went with the Variant: the child is gone.
    EXPECT_EQ(get(server, u"LiveObjects").toI4(), before);
}

// An object of this program, handed to the server as an argument.
class Calculator : public TableObject {
public:
    explicit Calculator(bool* destroyed) : TableObject(members()), m_destroyed(destroyed) {}
    ~Calculator() override { *m_destroyed = true; }

private:
    static const MemberTable& members()
    {
        static const Members<Calculator> table =
            Members<Calculator>()
                .method(u"Twice", 1, 1, [](Calculator&, Args args) { return Variant::i4(args[0].value().toI4() * 2); })
                .method(u"Bump", 1, 1,
                        [](Calculator&, Args args) {
                            args[0].slot() = Variant::i4(args[0].value().toI4() + 41);
                            return Variant();
                        })
                .property(
                    u"Memory", [](Calculator& c) { return c.m_memory; },
                    [](Calculator& c, const Variant& value) { c.m_memory = value; })
                .method(u"Boom", 0, 1, [](Calculator&, Args) -> Variant {
                    throw AutomationError(hr::E_Fail, u"Расчёт не удался", u"Vedoris.Calculator");
                });
        return table;
    }

    bool* m_destroyed;
    Variant m_memory;
};

TEST_P(ComDispatchTest, AnObjectOfThisProgramCanBeCalledByTheServer)
{
    bool destroyed = false;
    {
        const Variant calculator = Variant::dispatch(std::make_shared<Calculator>(&destroyed));
        EXPECT_EQ(get(server, u"CallBack", calculator, Variant::bstr(u"twice"), Variant::i4(21)), Variant::i4(42));
        // The server's by-ref argument gets the object's output, in a
        // VARIANT or in a slot of the argument's own type.
        EXPECT_EQ(get(server, u"CallBackByRef", calculator, Variant::bstr(u"Bump")), Variant::i4(42));
        EXPECT_EQ(get(server, u"CallBackTypedRef", calculator, Variant::bstr(u"Bump")), Variant::i4(42));
        // The server writes a property of ours.
        call(server, u"PutBack", calculator, Variant::bstr(u"Memory"), Variant::r8(7.5));
        EXPECT_EQ(get(calculator, u"Memory"), Variant::r8(7.5));
        // Handed out and back, it is the same object again.
        EXPECT_EQ(get(server, u"Echo", calculator), calculator);

        const CaughtFailure e =
            failureOf([&] { get(server, u"CallBack", calculator, Variant::bstr(u"Boom"), Variant()); });
        EXPECT_EQ(e.code(), hr::E_Fail);
        EXPECT_EQ(e.description(), u"Расчёт не удался");
        EXPECT_EQ(e.source(), u"Vedoris.Calculator");

        // A name the object does not have is refused when it is looked up.
        const CaughtFailure unknown =
            failureOf([&] { get(server, u"CallBack", calculator, Variant::bstr(u"Nothing"), Variant()); });
        EXPECT_EQ(unknown.code(), hr::Disp_E_UnknownName);
    }
    EXPECT_TRUE(destroyed) << "COM still holds the program's object";
}

INSTANTIATE_TEST_SUITE_P(Com, ComDispatchTest, testing::Values(Where::InProcess, Where::LocalServer), whereName);

} // namespace
