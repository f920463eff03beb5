// The CADs the program attaches to: AutoCAD first, then the others in the
// table's order, each asked whether it is idle by its own name for it.
#include "cad/CadApplications.h"
#include "cad/ResStrings.h"
#include "platform/automation/AutomationError.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/messages/EntryPoint.h"

#include "CadTestEnvironment.h"
#include "support/MessageRecorder.h"

#include "cadsim/model/CadPersonality.h"
#include "cadsim/model/Simulator.h"

#include <gtest/gtest.h>

namespace {

// A simulator playing `cad`, registered in this process under its ProgIDs,
// as the CAD registers itself in the running object table.
struct RunningSimulator {
    explicit RunningSimulator(std::u16string_view cad)
    {
        sim.setPersonality(*cadsim::findCadPersonality(cad));
        for (const std::u16string& progId : sim.personality().progIds)
            registrations.push_back(automation::registerActiveObject(progId, sim.application()));
    }
    cadsim::Simulator sim{cadsim::Drawing(u"pipes.dxf")};
    std::vector<automation::Registration> registrations;
};

class EachCad : public testing::TestWithParam<const char16_t*> {};

TEST_P(EachCad, IsAttachedAndAskedWhetherItIsIdleByItsOwnName)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    RunningSimulator cad(GetParam());
    cad.sim.setBusyQueriesPerCommand(2);
    TAbstrAcadObj acad;
    acad.RunCommand(QStringLiteral("(princ) "));
    EXPECT_EQ(cad.sim.commands(), std::vector<std::u16string>{u"(princ) "});
    EXPECT_GE(cad.sim.quiescenceQueries(), 3);
    EXPECT_TRUE(recorder.all.isEmpty()) << recorder.all.join('|').toStdString();
}

INSTANTIATE_TEST_SUITE_P(Cads, EachCad, testing::Values(u"autocad", u"nanocad", u"zwcad", u"bricscad", u"gstarcad"),
                         [](const testing::TestParamInfo<const char16_t*>& info) {
                             return QString::fromUtf16(info.param).toStdString();
                         });

// Found by a ProgID of one release alone (its installer registered no other).
TEST(CadApplications, AReleasesOwnProgIdIsFoundToo)
{
    CadTestEnvironment environment;
    cadsim::Simulator sim{cadsim::Drawing(u"d.dxf")};
    sim.setPersonality(*cadsim::findCadPersonality(u"zwcad"));
    const automation::Registration running = automation::registerActiveObject(u"ZWCAD.Application.2024", sim.application());
    const std::optional<RunningCad> found = FindRunningCad();
    ASSERT_TRUE(found);
    EXPECT_EQ(found->cad->name, u"ZWCAD");
}

TEST(CadApplications, AutoCadComesFirstThenTheTablesOrder)
{
    RunningSimulator bricscad(u"bricscad");
    RunningSimulator nanocad(u"nanocad");
    ASSERT_TRUE(FindRunningCad());
    EXPECT_EQ(FindRunningCad()->cad->name, u"nanoCAD");
    RunningSimulator autocad(u"autocad");
    EXPECT_EQ(FindRunningCad()->cad->name, u"AutoCAD");
}

// Whichever CAD is missing, the message is AutoCAD's, word for word.
TEST(CadApplications, NoneRunningIsTheMessageOfAutoCad)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    EXPECT_FALSE(FindRunningCad());
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{ResStrings::text(ResStrings::SCannotFindAcad)});
}

// A CAD that knows the query under none of the names: the last name's
// failure is what the caller hears (the simulator has no dispatch
// identifiers to be asked by).
TEST(CadApplications, AnIdleQueryUnderAnUnknownNameFails)
{
    MessageRecorder recorder;
    CadTestEnvironment environment;
    RunningSimulator cad(u"gstarcad");
    TAbstrAcadObj acad;
    EXPECT_TRUE(acad.IsQuiescent()); // GetGcadState unknown, GetAcadState answers
    cad.sim.setPersonality(*cadsim::findCadPersonality(u"nanocad"));
    TAbstrAcadObj again;
    EXPECT_THROW(again.IsQuiescent(), automation::AutomationError);
}

} // namespace
