// A command that is stopped part way, or whose CAD stops answering part way,
// ends as a whole: the user's stop quietly, a failed link with the command's
// one message, and in either case the table as it was and nothing more asked
// of the CAD. Only the CAD's own answer about one entity is "that entity
// could not say", which skips it.
#include "HarvestFixture.h"

#include "cad/ResStrings.h"
#include "cad/SelectEntityById.h"
#include "platform/automation/HResult.h"
#include "platform/messages/EntryPoint.h"
#include "platform/messages/Progress.h"

#include <functional>

namespace {

using cadsim::Fault;
using cadsim::ObjectKind;

const QString HarvestFailed = QStringLiteral("Произошли ошибки при работе с Автокадом!!!");

enum class Interruption {
    Stop, // the user's "Отмена" heard in a call's wait (progress::Cancelled)
    Link, // the CAD gave no answer: refused past the wait, gone (a LinkFailure)
};

const char* nameOf(Interruption how) { return how == Interruption::Stop ? "the user's stop" : "a failed link"; }

// The fault that makes the chosen call end with the interruption.
Fault striking(Fault where, Interruption how)
{
    where.times = 1;
    if (how == Interruption::Stop)
        where.thrown = [] { throw progress::Cancelled(); };
    else
        where.code = automation::hr::Rpc_E_Disconnected;
    return where;
}

struct Strike {
    const char* name;
    // Where, given the handle of the third pipe of the drawing.
    std::function<Fault(const std::u16string& thirdPipe)> where;
    bool duringAttach = false;  // the link's failure is then "not ready"
    size_t commandsSent = 1;    // the command texts sent before the strike
};

const Strike harvestStrikes[] = {
    {"attach: the active document", [](auto&) { return Fault{.object = ObjectKind::Application, .member = u"ActiveDocument"}; },
     true, 0},
    {"attach: a layer's name", [](auto&) { return Fault{.object = ObjectKind::Layer, .member = u"Name"}; }, true, 0},
    {"the support folders", [](auto&) { return Fault{.object = ObjectKind::PreferencesFiles, .member = u"SupportPath"}; },
     false, 0},
    // The first question comes before the command is sent; the second waits for it.
    {"the load command's wait",
     [](auto&) { return Fault{.object = ObjectKind::State, .member = u"IsQuiescent", .skipCalls = 1}; }},
    {"Item", [](auto&) { return Fault{.object = ObjectKind::ModelSpace, .member = u"Item", .fromIndex = 3}; }},
    {"an entity's kind", [](auto& h) { return Fault{.object = ObjectKind::Entity, .member = u"EntityType", .handle = h}; }},
    {"an entity's layer", [](auto& h) { return Fault{.object = ObjectKind::Entity, .member = u"Layer", .handle = h}; }},
    {"an entity's handle", [](auto& h) { return Fault{.object = ObjectKind::Entity, .member = u"Handle", .handle = h}; }},
    {"an entity's sizes",
     [](auto& h) { return Fault{.object = ObjectKind::Entity, .member = u"GetXData", .skipCalls = 1, .handle = h}; }},
};

class HarvestInterrupted : public HarvestFixture {
protected:
    void SetUp() override
    {
        HarvestFixture::SetUp();
        draw([](cadsim::Drawing& d) {
            for (int i = 0; i < 6; ++i) {
                d.addPipe(u"Трубы", 1000 + i, 25, 20);
                d.addLine(u"0");
            }
        });
        file.addRows({{.layer = "old", .length = 1, .rmax = 2, .rmin = 0}});
        data.TTruba->requery();
    }

    std::u16string thirdPipe() const { return cad.activeDrawing().entities()[4].handle; }

    // Runs `command` once for every strike, stopped by its user and failed by
    // the link, and checks what must follow: no message for the stop, the
    // command's one message for the failed link (`linkMessage`), the command
    // texts sent before the strike and none after it, no drawing opened, and
    // the table as it was.
    template <size_t N>
    void strikeEach(const Strike (&strikes)[N], const std::function<QString(const Strike&)>& linkMessage,
                    const std::function<void()>& command)
    {
        const std::vector<TestDatabase::Row> before = storedRows();
        for (const Strike& strike : strikes) {
            for (const Interruption how : {Interruption::Stop, Interruption::Link}) {
                SCOPED_TRACE(std::string(strike.name) + ", " + nameOf(how));
                cad.clearFaults();
                cad.clearRecords();
                messages.all.clear();
                cad.injectFault(striking(strike.where(thirdPipe()), how));

                command();

                EXPECT_EQ(messages.all, how == Interruption::Link ? QStringList{linkMessage(strike)} : QStringList());
                EXPECT_EQ(cad.commands().size(), strike.commandsSent);
                EXPECT_EQ(cad.documentCount(), 1);
                EXPECT_EQ(storedRows(), before);
            }
        }
    }
};

TEST_F(HarvestInterrupted, EndsAsAWholeWithTheTableAsItWas)
{
    strikeEach(
        harvestStrikes,
        [](const Strike& strike) {
            return strike.duringAttach ? ResStrings::text(ResStrings::SAcadNotReady) : HarvestFailed;
        },
        [this] { harvest(); });
}

// The walker inside the CAD meets no refusal of its own CAD; a failure of its
// link reaches the program as a failed link, and ends the harvest the same way.
TEST_F(HarvestInterrupted, AFailedLinkInsideTheWalkerEndsTheHarvestToo)
{
    const std::vector<TestDatabase::Row> before = storedRows();
    offerWalker();
    cad.injectFault(striking(Fault{.object = ObjectKind::Entity, .member = u"Layer", .handle = thirdPipe()},
                             Interruption::Link));
    harvest();
    EXPECT_EQ(messages.all, QStringList{HarvestFailed});
    EXPECT_EQ(storedRows(), before);
}

// What an entity answers about itself with an error still only skips it.
TEST_F(HarvestInterrupted, TheCadsOwnAnswerAboutOneEntityOnlySkipsIt)
{
    cad.injectFault(Fault{.object = ObjectKind::Entity, .member = u"Layer", .handle = thirdPipe()});
    harvest();
    EXPECT_TRUE(messages.all.isEmpty()) << messages.all.join(u'|').toStdString();
    const auto rows = storedRows();
    ASSERT_EQ(rows.size(), 6u);
    EXPECT_FALSE(rows[2].layer.has_value() && !rows[2].layer->isEmpty());
}

const Strike selectionStrikes[] = {
    {"attach: the active document", [](auto&) { return Fault{.object = ObjectKind::Application, .member = u"ActiveDocument"}; },
     true, 0},
    {"the drawing's selection", [](auto&) { return Fault{.object = ObjectKind::SelectionSet, .member = u"Count"}; },
     false, 0},
    {"Item", [](auto&) { return Fault{.object = ObjectKind::ModelSpace, .member = u"Item", .fromIndex = 2}; }, false,
     0},
    {"an entity's ObjectID", [](auto& h) { return Fault{.object = ObjectKind::Entity, .member = u"ObjectID", .handle = h}; },
     false, 0},
    {"the CAD's caption", [](auto&) { return Fault{.object = ObjectKind::Application, .member = u"Caption"}; }, false,
     0},
    // The selection was sent; its wait is stopped.
    {"the selection's wait",
     [](auto&) { return Fault{.object = ObjectKind::State, .member = u"IsQuiescent", .skipCalls = 1}; }, false, 1},
};

TEST_F(HarvestInterrupted, SelectionEndsAsAWholeAndSendsNothingAfterTheStrike)
{
    harvest();
    ASSERT_TRUE(messages.all.isEmpty());
    const int64_t thirdId = cad.activeDrawing().entities()[4].objectId + cad.objectIdOffset();
    strikeEach(
        selectionStrikes, [](const Strike&) { return ResStrings::text(ResStrings::SAcadNotReady); },
        [&] { messages::runEntryPoint([&] { SelectEntityById(thirdId); }); });
}

} // namespace
