// The walker's answers cross from the CAD's process to the program's: what
// one side writes the other reads back, and the reading side takes nothing
// that is not an answer of the walker's shape for the range it asked for.
#include "walk/WalkerAnswer.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

using automation::Variant;

namespace {

walk::PipeChunk samplePipes()
{
    walk::PipeChunk chunk;
    chunk.next = 14;
    chunk.rows = {{u"Трубы_ХВС", 2130706440, u"1F1", 6000, 57, 50},
                  {u"", (int64_t{1} << 40) + 3, u"", 1.5, 0.25, 0}};
    return chunk;
}

TEST(WalkerAnswer, PipesAndMatchesComeBackAsTheyWent)
{
    const walk::PipeChunk pipes = samplePipes();
    const walk::PipeChunk read = walk::decodePipes(walk::encodePipes(pipes), 10, 8);
    EXPECT_EQ(read.next, 14);
    EXPECT_FALSE(read.failure);
    EXPECT_EQ(read.rows, pipes.rows);

    walk::MatchChunk matches;
    matches.next = 3;
    matches.failure = walk::ItemFailure{automation::hr::Rpc_E_Disconnected, u"CAD", u"gone"};
    matches.handles = {u"2A", u"ff00"};
    const walk::MatchChunk back = walk::decodeMatches(walk::encodeMatches(matches), 0, 10);
    EXPECT_EQ(back.next, 3);
    EXPECT_EQ(back.failure, matches.failure);
    EXPECT_EQ(back.handles, matches.handles);
}

// Layers come back in order, every layer walked with its record; an answer
// that leaves out a layer it claims to have walked, or whose flags are no
// Booleans, is refused.
TEST(WalkerAnswer, LayersComeBackEveryOneWalked)
{
    walk::LayerChunk layers;
    layers.next = 7;
    layers.failure = walk::ItemFailure{automation::hr::E_Fail, u"CAD", u"layer 7 is broken"};
    layers.records = {{u"0", false, false, true}, {u"Трубы", true, false, true}, {u"", false, true, false}};
    const walk::LayerChunk back = walk::decodeLayers(walk::encodeLayers(layers), 4, 10);
    EXPECT_EQ(back.next, 7);
    EXPECT_EQ(back.failure, layers.failure);
    EXPECT_EQ(back.records, layers.records);

    EXPECT_THROW(walk::decodeLayers(walk::encodeLayers(layers), 3, 10), automation::AutomationError); // one short
    std::vector<Variant> all = walk::encodeLayers(layers).toArray().elements;
    all[5] = Variant::array({Variant::i2(0), Variant::i2(1), Variant::i2(0)});
    EXPECT_THROW(walk::decodeLayers(Variant::array(all), 4, 10), automation::AutomationError);
}

// A failure that has no code of its own still reads as a failure.
TEST(WalkerAnswer, AFailureWithoutACodeIsStillAFailure)
{
    walk::PipeChunk chunk;
    chunk.next = 0;
    chunk.failure = walk::ItemFailure{0, {}, u"?"};
    const walk::PipeChunk read = walk::decodePipes(walk::encodePipes(chunk), 0, 4);
    ASSERT_TRUE(read.failure);
    EXPECT_EQ(read.failure->code, automation::hr::E_Fail);
}

struct Malformed {
    const char* name;
    std::function<Variant()> answer;
};

// The elements of a good answer for [10, 18), with one of them replaced.
Variant pipesWith(size_t index, Variant value)
{
    std::vector<Variant> all = walk::encodePipes(samplePipes()).toArray().elements;
    all.at(index) = std::move(value);
    return Variant::array(std::move(all));
}

const Malformed malformedPipes[] = {
    {"NotAnArray", [] { return Variant::i4(0); }},
    {"Empty", [] { return Variant(); }},
    {"TooFewElements", [] { return Variant::array({Variant::i4(10)}); }},
    {"LowerBoundOne", [] { return Variant::array(walk::encodePipes(samplePipes()).toArray().elements, 1); }},
    {"NextBeforeTheRange", [] { return pipesWith(0, Variant::i4(9)); }},
    {"NextPastTheRange", [] { return pipesWith(0, Variant::i4(19)); }},
    {"NextAsText", [] { return pipesWith(0, Variant::bstr(u"14")); }},
    {"MoreRowsThanEntitiesWalked", [] { return pipesWith(0, Variant::i4(11)); }},
    {"FailureAtTheEndOfTheRange",
     [] {
         std::vector<Variant> all = pipesWith(0, Variant::i4(18)).toArray().elements;
         all[1] = Variant::i4(automation::hr::E_Fail);
         return Variant::array(std::move(all));
     }},
    {"ColumnsOfDifferentLengths", [] { return pipesWith(7, Variant::array({Variant::r8(1)})); }},
    {"ObjectIdAsDouble", [] { return pipesWith(5, Variant::array({Variant::r8(1), Variant::r8(2)})); }},
    {"LayerAsObjectOrNumber", [] { return pipesWith(4, Variant::array({Variant::i4(1), Variant::bstr(u"")})); }},
    {"ColumnNotAnArray", [] { return pipesWith(9, Variant::null()); }},
};

class MalformedPipes : public testing::TestWithParam<Malformed> {};

TEST_P(MalformedPipes, AreATypeMismatchNamingTheWalker)
{
    try {
        walk::decodePipes(GetParam().answer(), 10, 8);
        ADD_FAILURE() << "taken";
    } catch (const automation::CallFailure& e) {
        EXPECT_EQ(e.code(), automation::hr::Disp_E_TypeMismatch);
        EXPECT_EQ(e.source(), u"Vedoris.Walker");
    }
}

INSTANTIATE_TEST_SUITE_P(Answers, MalformedPipes, testing::ValuesIn(malformedPipes),
                         [](const testing::TestParamInfo<Malformed>& info) { return std::string(info.param.name); });

// A handle goes between quotes into the CAD's command line: whoever
// answered, only hexadecimal handles are taken.
TEST(WalkerAnswer, MatchesThatAreNoHandlesAreRefused)
{
    for (const char16_t* handle : {u"", u"1A\"))) (command \"ERASE", u"0123456789ABCDEF0", u"G1"}) {
        walk::MatchChunk chunk;
        chunk.next = 2;
        chunk.handles = {handle};
        EXPECT_THROW(walk::decodeMatches(walk::encodeMatches(chunk), 0, 2), automation::AutomationError);
    }
}

} // namespace
