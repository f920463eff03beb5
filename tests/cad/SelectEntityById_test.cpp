#include "cad/ResStrings.h"
#include "cad/SelectEntityById.h"
#include "walk/EntityReads.h"
#include "platform/messages/EntryPoint.h"

#include "CadTestEnvironment.h"
#include "FakeCad.h"
#include "support/FakeWindowSystem.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

using automation::Variant;

QString select(const char* handle)
{
    return SelectionCommand(QString::fromUtf8(handle));
}

class Select : public ::testing::Test {
protected:
    Select() { desktop.fake().windows = {{1, QStringLiteral("Ведорис")}, {9, cad.caption}}; }

    MessageRecorder recorder;
    CadTestEnvironment environment;
    FakeWindowSystem::Installed desktop;
    FakeCad cad;
};

TEST(SelectionCommandText, ByteForByte)
{
    const QString command = SelectionCommand(QStringLiteral("2F"));
    EXPECT_EQ(command.toLatin1(), QByteArray("(sssetfirst nil (ssadd (handent \"2F\"))) "));
    EXPECT_EQ(SelectionCommand(QString()).size(), 33 + 5);
}

struct HandleCase {
    const char* name;
    const char16_t* text;
    bool accepted;
};

class EntityHandleTest : public testing::TestWithParam<HandleCase> {};

TEST_P(EntityHandleTest, OnlyHexadecimalDigitsAreAHandle)
{
    EXPECT_EQ(walk::isEntityHandle(std::u16string(GetParam().text)), GetParam().accepted);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EntityHandleTest,
    testing::Values(HandleCase{"OneDigit", u"0", true}, HandleCase{"UpperCase", u"2F", true},
                    HandleCase{"LowerCase", u"abcdef", true}, HandleCase{"SixteenDigits", u"0123456789ABCDEF", true},
                    HandleCase{"Empty", u"", false}, HandleCase{"SeventeenDigits", u"0123456789ABCDEF0", false},
                    HandleCase{"Quote", u"1A\"", false}, HandleCase{"QuoteAndCommand", u"1A\"))) (command \"ERASE", false},
                    HandleCase{"Blank", u"1A ", false}, HandleCase{"LineBreak", u"1A\n", false},
                    HandleCase{"Prefix", u"0x1A", false}, HandleCase{"LetterBeyondF", u"G1", false},
                    HandleCase{"FullWidthDigit", u"\uFF11", false}),
    [](const testing::TestParamInfo<HandleCase>& info) { return std::string(info.param.name); });

TEST_F(Select, NonPositiveIdsDoNotAttach)
{
    // Nothing is registered: an attempt to attach would show its message.
    for (int64_t id : {int64_t{0}, int64_t{-1}, std::numeric_limits<int64_t>::min()})
        SelectEntityById(id);
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST_F(Select, NoRunningCadShowsTheMessageAndAborts)
{
    EXPECT_FALSE(messages::runEntryPoint([] { SelectEntityById(5); }));
    EXPECT_EQ(recorder.all, QStringList{ResStrings::text(ResStrings::SCannotFindAcad)});
}

TEST_F(Select, MatchActivatesSendsAndWaits)
{
    cad.pickfirstCount = 3;
    cad.busyPollsAfterCommand = 2;
    cad.addEntity(Variant::i4(10), QStringLiteral("1A"));
    cad.addEntity(Variant::i4(11), QStringLiteral("1B"));
    cad.addEntity(Variant::i4(12), QStringLiteral("1C"));
    const auto running = cad.registerRunning();
    SelectEntityById(11);
    EXPECT_EQ(cad.pickfirstClears, 1);
    EXPECT_EQ(desktop.fake().foreground, QList<quint64>{9});
    EXPECT_EQ(cad.sentCommands, QStringList{select("1B")});
    EXPECT_EQ(cad.pollsBeforeCommand, 1);
    EXPECT_EQ(cad.polls, 4);
    // Every entity is asked, also after the match.
    EXPECT_EQ(cad.log.filter(QStringLiteral("entity.ObjectID")).size(), 3);
    EXPECT_TRUE(recorder.all.isEmpty());
    EXPECT_EQ(cad.application.use_count(), 2); // the fake and the registration
}

TEST_F(Select, UnknownIdOnlyEmptiesTheSelection)
{
    cad.pickfirstCount = 1;
    cad.addEntity(Variant::i4(10), QStringLiteral("1A"));
    const auto running = cad.registerRunning();
    SelectEntityById(99);
    EXPECT_EQ(cad.pickfirstClears, 1);
    EXPECT_TRUE(desktop.fake().foreground.isEmpty());
    EXPECT_TRUE(cad.sentCommands.isEmpty());
}

TEST_F(Select, EmptySelectionIsNotCleared)
{
    const auto running = cad.registerRunning();
    SelectEntityById(1);
    EXPECT_EQ(cad.pickfirstClears, 0);
    EXPECT_TRUE(cad.sentCommands.isEmpty());
}

TEST_F(Select, EveryEntityWithTheIdGetsItsOwnCommand)
{
    cad.addEntity(Variant::i4(7), QStringLiteral("A1"));
    cad.addEntity(Variant::i4(8), QStringLiteral("A2"));
    cad.addEntity(Variant::i4(7), QStringLiteral("A3"));
    const auto running = cad.registerRunning();
    SelectEntityById(7);
    EXPECT_EQ(cad.sentCommands, (QStringList{select("A1"), select("A3")}));
    EXPECT_EQ(desktop.fake().foreground.size(), 2);
}

TEST_F(Select, SixtyFourBitIdsAreComparedWhole)
{
    const int64_t big = (int64_t{1} << 32) + 5;
    cad.addEntity(Variant::i4(5), QStringLiteral("5A"));
    cad.addEntity(Variant::i8(big), QStringLiteral("B16"));
    cad.addEntity(Variant::r8(static_cast<double>(big)), QStringLiteral("B8"));
    const auto running = cad.registerRunning();
    SelectEntityById(big);
    EXPECT_EQ(cad.sentCommands, (QStringList{select("B16"), select("B8")}));
    cad.sentCommands.clear();
    SelectEntityById(5);
    EXPECT_EQ(cad.sentCommands, QStringList{select("5A")});
}

TEST_F(Select, FailuresOfOneEntityAreDroppedAndTheWalkGoesOn)
{
    cad.addEntity(Variant::i4(7), QStringLiteral("A1"))->failing = {u"ObjectID"};
    cad.addEntity(Variant::i4(7), QStringLiteral("A2"))->failing = {u"Handle"};
    cad.addEntity(Variant::bstr(u"not a number"), QStringLiteral("A3"));
    cad.addEntity(Variant::i4(7), QStringLiteral("A4"));
    const auto running = cad.registerRunning();
    SelectEntityById(7);
    EXPECT_EQ(cad.sentCommands, QStringList{select("A4")});
    EXPECT_TRUE(recorder.all.isEmpty());

    // A CAD that refuses the command: dropped too.
    cad.sentCommands.clear();
    cad.document->failing = {u"SendCommand"};
    SelectEntityById(7);
    EXPECT_TRUE(recorder.all.isEmpty());
}

// A server that answers a handle which would close the quotes writes no
// command of its own: that entity fails, and the walk goes on.
TEST_F(Select, AHandleThatIsNoHandleIsAFailureOfThatEntity)
{
    cad.addEntity(Variant::i4(7), QStringLiteral("1A\")) (command \"_.ERASE\" \"_ALL\" \"\") (princ \""));
    cad.addEntity(Variant::i4(7), QStringLiteral("12345678901234567"));
    cad.addEntity(Variant::i4(7), QStringLiteral("2B"));
    const auto running = cad.registerRunning();
    SelectEntityById(7);
    EXPECT_EQ(cad.sentCommands, QStringList{select("2B")});
    EXPECT_EQ(desktop.fake().foreground, QList<quint64>{9}); // only for the one sent
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST_F(Select, FailuresOutsideTheEntityBlockLeaveAfterReleasing)
{
    cad.addEntity(Variant::i4(7), QStringLiteral("A1"));
    const auto running = cad.registerRunning();
    cad.modelSpace->failing = {u"Item"};
    EXPECT_THROW(SelectEntityById(7), automation::AutomationError);
    cad.modelSpace->failing = {};
    cad.pickfirst->failing = {u"Count"};
    EXPECT_THROW(SelectEntityById(7), automation::AutomationError);
    EXPECT_TRUE(cad.sentCommands.isEmpty());
    EXPECT_EQ(cad.document.use_count(), 1);
    EXPECT_EQ(cad.modelSpace.use_count(), 1);
}

} // namespace
