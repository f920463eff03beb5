// Application.GetInterfaceObject as a CAD serves it: a library loaded into
// the CAD's process from a folder it trusts, as SECURELOAD says.
#include "TestDrawing.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

#include <gtest/gtest.h>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureOf;

namespace {

// An interface object that reads the model space it is given, as a walker does.
class Reader final : public Dispatch {
public:
    Variant invoke(std::u16string_view member, InvokeKind, Args args) override
    {
        if (member == u"Count")
            return get(args[0].value(), u"Count");
        return Variant::bstr(u"reader");
    }
};

InterfaceObjectSource libraryIn(std::u16string folder, int* made = nullptr)
{
    return [folder, made](const std::u16string& progId) -> std::optional<InterfaceObjectLibrary> {
        if (progId != u"Test.Reader")
            return std::nullopt;
        return InterfaceObjectLibrary{folder + u"/reader.so", [made] {
                                          if (made)
                                              ++*made;
                                          return std::make_shared<Reader>();
                                      }};
    };
}

Variant getInterfaceObject(const Variant& app, std::u16string progId = u"Test.Reader")
{
    return call(app, u"GetInterfaceObject", Variant::bstr(std::move(progId)));
}

struct Trust {
    const char* name;
    int secureLoad;
    std::u16string trustedPaths;
    std::u16string programFolder;
    bool loads;
    bool asks;
};

class LoadingFrom : public ::testing::TestWithParam<Trust> {};

TEST_P(LoadingFrom, FollowsSecureLoadAndTheTrustedFolders)
{
    const Trust& t = GetParam();
    Simulator sim{cadsim::testing::sampleDrawing()};
    std::vector<std::u16string> reported;
    sim.setCommandReport([&](const std::u16string& line) { reported.push_back(line); });
    int made = 0;
    sim.setInterfaceObjectSource(libraryIn(u"/opt/tools", &made));
    sim.setSecureLoad(t.secureLoad);
    sim.setTrustedPaths(t.trustedPaths);
    sim.setProgramFolder(t.programFolder);
    const Variant app = sim.applicationVariant();

    if (t.loads) {
        EXPECT_EQ(get(getInterfaceObject(app), u"Name"), Variant::bstr(u"reader"));
        EXPECT_EQ(made, 1);
    } else {
        const AutomationError e = failureOf([&] { getInterfaceObject(app); });
        EXPECT_EQ(e.description(), u"Problem in loading application");
        EXPECT_EQ(made, 0);
    }
    const std::vector<std::u16string> asked = t.asks ? std::vector<std::u16string>{u"/opt/tools/reader.so"}
                                                     : std::vector<std::u16string>{};
    EXPECT_EQ(sim.loadQuestions(), asked);
    EXPECT_EQ(reported.size(), asked.size());
}

INSTANTIATE_TEST_SUITE_P(
    Folders, LoadingFrom,
    ::testing::Values(Trust{"AnywhereAtZero", 0, u"", u"", true, false},
                      Trust{"ListedAtOne", 1, u"/a;/opt/tools", u"", true, false},
                      Trust{"ListedWithATrailingSeparator", 2, u"/opt/tools/", u"", true, false},
                      Trust{"BelowAListedRootWithDots", 2, u"/opt/...", u"", true, false},
                      Trust{"TheCadsOwnFolder", 2, u"", u"/opt/tools", true, false},
                      Trust{"NotListedAtOneAsks", 1, u"/opt", u"", false, true},
                      Trust{"NotListedAtTwoRefuses", 2, u"/opt/toolsX", u"", false, false},
                      Trust{"ASiblingOfTheOwnFolderIsNotTrusted", 2, u"", u"/opt/tool", false, false}),
    [](const ::testing::TestParamInfo<Trust>& info) { return std::string(info.param.name); });

TEST(InterfaceObjects, RefusedWhenSwitchedOffOrUnknown)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    sim.setSecureLoad(0);
    const Variant app = sim.applicationVariant();
    EXPECT_EQ(failureOf([&] { getInterfaceObject(app); }).code(), hr::E_Fail); // no library known at all
    sim.setInterfaceObjectSource(libraryIn(u"/opt/tools"));
    EXPECT_EQ(failureOf([&] { getInterfaceObject(app, u"Other.Class"); }).code(), hr::E_Fail);
    sim.setInterfaceObjectsAllowed(false);
    EXPECT_EQ(failureOf([&] { getInterfaceObject(app); }).code(), hr::E_Fail);
}

// The object calls the CAD's objects inside its process: those calls are
// counted apart from the calls of other processes. A busy CAD refuses the
// object's calls as every call from outside.
TEST(InterfaceObjects, CallsBackIntoTheCadAreItsOwnAndABusyCadRefusesThem)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    sim.setSecureLoad(0);
    sim.setInterfaceObjectSource(libraryIn(u"/opt/tools"));
    const Variant app = sim.applicationVariant();
    const Variant reader = getInterfaceObject(app);
    const Variant modelSpace = get(get(app, u"ActiveDocument"), u"ModelSpace");

    const ServedCalls before = servedCalls();
    EXPECT_EQ(call(reader, u"Count", modelSpace), Variant::i4(3));
    EXPECT_EQ(servedCalls().inProcessInvocations - before.inProcessInvocations, 1u);
    EXPECT_EQ(servedCalls().invocations, before.invocations);

    sim.setBusy(true);
    EXPECT_THROW(call(reader, u"Count", modelSpace), CallRejected);
}

TEST(InterfaceObjects, SecureLoadIsASystemVariable)
{
    Simulator sim{cadsim::testing::sampleDrawing()};
    const Variant doc = get(sim.applicationVariant(), u"ActiveDocument");
    EXPECT_EQ(call(doc, u"GetVariable", Variant::bstr(u"SECURELOAD")), Variant::i2(1));
    sim.setSecureLoad(2);
    EXPECT_EQ(call(doc, u"GetVariable", Variant::bstr(u"secureload")), Variant::i2(2));
}

} // namespace
