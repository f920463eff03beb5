// The walker as the CAD hands it to the program: its members answer plain
// values, and nothing but an automation error ever leaves them.
#include "ScriptedModelSpace.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "walk/WalkerAnswer.h"
#include "walk/WalkerIdentity.h"
#include "walk/WalkerObject.h"

#include "version/Version.h"

#include <gtest/gtest.h>

#include <new>

using automation::Variant;

namespace {

struct Fixture {
    std::shared_ptr<scripted::ModelSpace> space = std::make_shared<scripted::ModelSpace>();
    Variant walker = Variant::dispatch(std::make_shared<walk::WalkerObject>());
    Variant modelSpace = Variant::dispatch(space);
};

TEST(WalkerObject, AnswersItsVersionThePipesAndTheMatchesOfARange)
{
    Fixture f;
    scripted::addPipe(*f.space, u"A", 5, u"2A", 100, 5, 4);
    f.space->add().answer(u"EntityType", Variant::i4(19)).answer(u"ObjectID", Variant::i4(5)).answer(u"Handle",
                                                                                                     Variant::bstr(u"2B"));
    scripted::addPipe(*f.space, u"B", 6, u"2C", 200, 5, 4);

    const Variant version = automation::get(f.walker, u"Version");
    EXPECT_EQ(version.toBStr(), std::u16string(walk::walkerVersion()));
    EXPECT_NE(version.toBStr().find(std::u16string(version::Text, version::Text + sizeof version::Text - 1)),
              std::u16string::npos);

    const walk::PipeChunk pipes = walk::decodePipes(
        automation::call(f.walker, u"Pipes", f.modelSpace, Variant::i4(0), Variant::i4(3)), 0, 3);
    ASSERT_EQ(pipes.rows.size(), 2u);
    EXPECT_EQ(pipes.rows[1].layer, u"B");

    const walk::MatchChunk matches = walk::decodeMatches(
        automation::call(f.walker, u"Find", f.modelSpace, Variant::i4(0), Variant::i4(3), Variant::i8(5)), 0, 3);
    EXPECT_EQ(matches.handles, (std::vector<std::u16string>{u"2A", u"2B"}));
}

struct BadCall {
    const char* name;
    std::function<void(Fixture&)> call;
};

const BadCall badCalls[] = {
    {"ModelSpaceIsNoObject",
     [](Fixture& f) { automation::call(f.walker, u"Pipes", Variant::i4(1), Variant::i4(0), Variant::i4(1)); }},
    {"IndexIsText",
     [](Fixture& f) { automation::call(f.walker, u"Pipes", f.modelSpace, Variant::bstr(u"x"), Variant::i4(1)); }},
    {"TooFewArguments", [](Fixture& f) { automation::call(f.walker, u"Find", f.modelSpace, Variant::i4(0)); }},
    {"UnknownMember", [](Fixture& f) { automation::call(f.walker, u"Erase"); }},
    {"VersionWritten", [](Fixture& f) { automation::put(f.walker, u"Version", Variant::bstr(u"9")); }},
};

class WalkerBadCalls : public testing::TestWithParam<BadCall> {};

TEST_P(WalkerBadCalls, FailWithAnAutomationError)
{
    Fixture f;
    EXPECT_THROW(GetParam().call(f), automation::AutomationError);
}

INSTANTIATE_TEST_SUITE_P(Calls, WalkerBadCalls, testing::ValuesIn(badCalls),
                         [](const testing::TestParamInfo<BadCall>& info) { return std::string(info.param.name); });

// An entity that throws what no automation object should (a C++ exception of
// its own, running out of memory) is skipped like any entity that fails; a
// model space that does so ends the call with an automation error.
// Only the CAD's own answer about an entity skips it. Anything else thrown
// in the walk (no memory, a stray exception) ends the call, and leaves the
// walker only as an automation error of its own, never as itself.
TEST(WalkerObject, ForeignExceptionsNeverLeaveIt)
{
    struct Case {
        const char* name;
        std::function<Variant(automation::Args)> entityType;
        int32_t code;
    };
    const Case cases[] = {
        {"out of memory", [](automation::Args) -> Variant { throw std::bad_alloc(); }, automation::hr::E_OutOfMemory},
        {"a stray int", [](automation::Args) -> Variant { throw 42; }, automation::hr::E_Fail},
        {"a standard exception", [](automation::Args) -> Variant { throw std::runtime_error("odd"); },
         automation::hr::E_Fail},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Fixture f;
        scripted::addPipe(*f.space, u"A", 5, u"2A", 100, 5, 4);
        f.space->add().answers[u"EntityType"] = c.entityType;
        try {
            automation::call(f.walker, u"Pipes", f.modelSpace, Variant::i4(0), Variant::i4(2));
            ADD_FAILURE() << "answered";
        } catch (const automation::AutomationError& e) {
            EXPECT_EQ(e.code(), c.code);
            EXPECT_EQ(e.source(), u"Vedoris.Walker");
        }
    }

    class Throwing final : public automation::Dispatch {
    public:
        Variant invoke(std::u16string_view, automation::InvokeKind, automation::Args) override { throw 7; }
    };
    Fixture f;
    try {
        automation::call(f.walker, u"Find", Variant::dispatch(std::make_shared<Throwing>()), Variant::i4(0),
                         Variant::i4(2), Variant::i4(1));
        ADD_FAILURE() << "answered";
    } catch (const automation::CallFailure& e) {
        EXPECT_EQ(e.source(), u"Vedoris.Walker");
    }
}

} // namespace
