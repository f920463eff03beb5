#include "platform/automation/remote/FrameCodec.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>

using namespace automation;
using namespace automation::remote;

namespace {

class Nothing : public Dispatch {
public:
    Variant invoke(std::u16string_view, InvokeKind, Args) override { return {}; }
};

// Numbers objects as they cross, the way a server's table does.
class Table : public ObjectMarshal {
public:
    uint64_t exportObject(const DispatchRef& object) override
    {
        for (size_t i = 0; i < objects.size(); ++i)
            if (objects[i] == object)
                return i + 1;
        objects.push_back(object);
        return objects.size();
    }
    Variant importObject(uint64_t id) override
    {
        if (id == 0 || id > objects.size())
            throw AutomationError(hr::Rpc_E_Disconnected, u"unknown object");
        return Variant::dispatch(objects[id - 1]);
    }
    std::vector<DispatchRef> objects;
};

Message roundTrip(const Message& message, ObjectMarshal& objects)
{
    const std::vector<uint8_t> frame = encodeFrame(message, objects);
    EXPECT_GE(frame.size(), frameHeaderSize);
    const uint32_t length = payloadLength(std::span<const uint8_t, frameHeaderSize>(frame.data(), frameHeaderSize));
    EXPECT_EQ(length, frame.size() - frameHeaderSize);
    return decodePayload(std::span(frame).subspan(frameHeaderSize), objects);
}

std::vector<uint8_t> payloadOf(const Message& message)
{
    NoObjects none;
    std::vector<uint8_t> frame = encodeFrame(message, none);
    frame.erase(frame.begin(), frame.begin() + frameHeaderSize);
    return frame;
}

struct KindCase {
    const char* name;
    Variant value;
};

const DispatchRef sharedObject = std::make_shared<Nothing>();

std::vector<KindCase> kindCases()
{
    return {
        {"Empty", Variant()},
        {"Null", Variant::null()},
        {"I2Min", Variant::i2(std::numeric_limits<int16_t>::min())},
        {"I2Ten", Variant::i2(10)},
        {"I4Ten", Variant::i4(10)},
        {"I4Max", Variant::i4(std::numeric_limits<int32_t>::max())},
        {"I8Above32Bits", Variant::i8((int64_t{1} << 40) + 7)},
        {"I8Negative", Variant::i8(std::numeric_limits<int64_t>::min())},
        {"R8", Variant::r8(1234.5)},
        {"R8NegativeZero", Variant::r8(-0.0)},
        {"R8Tiny", Variant::r8(std::numeric_limits<double>::denorm_min())},
        {"R8Infinite", Variant::r8(std::numeric_limits<double>::infinity())},
        {"BoolTrue", Variant::boolean(true)},
        {"BoolFalse", Variant::boolean(false)},
        {"BStrEmpty", Variant::bstr(u"")},
        {"BStrCyrillic", Variant::bstr(u"Трубы_ХВС")},
        {"BStrSurrogatesAndNul", Variant::bstr(std::u16string(u"a\0b\U0001F600", 5))},
        {"ArrayEmpty", Variant::array({})},
        {"ArrayPoint", Variant::array({Variant::r8(1000), Variant::r8(25), Variant::r8(20)})},
        {"ArrayLowerBoundOne", Variant::array({Variant::i4(1), Variant::bstr(u"x")}, 1)},
        {"ArrayNegativeLowerBound", Variant::array({Variant::i2(5)}, -3)},
        {"ArrayNested", Variant::array({Variant::i2(1070), Variant::array({Variant::array({Variant::null()}, 2)}, 7),
                                        Variant::dispatch(sharedObject)})},
        {"Dispatch", Variant::dispatch(sharedObject)},
        {"ErrorOmitted", Variant::omitted()},
        {"ErrorOther", Variant::error(hr::E_Fail)},
    };
}

class VariantRoundTrip : public testing::TestWithParam<std::tuple<KindCase, bool>> {};

TEST_P(VariantRoundTrip, CrossesUnchangedAsArgumentAndAsAnswer)
{
    const auto& [kind, byRef] = GetParam();
    Table table;

    Invoke call{42, InvokeKind::MethodOrGet, u"GetXData", {WireArg{byRef, kind.value}, WireArg{!byRef, Variant::i4(3)}}};
    const Message decodedCall = roundTrip(call, table);
    ASSERT_TRUE(std::holds_alternative<Invoke>(decodedCall));
    EXPECT_EQ(std::get<Invoke>(decodedCall), call);

    Result answer{kind.value, {Output{byRef ? 0u : 1u, kind.value}}};
    const Message decodedAnswer = roundTrip(answer, table);
    ASSERT_TRUE(std::holds_alternative<Result>(decodedAnswer));
    EXPECT_EQ(std::get<Result>(decodedAnswer), answer);
    // Same tag, not just an equal number: a 16-bit 10 stays a 16-bit 10.
    EXPECT_EQ(std::get<Result>(decodedAnswer).value.type(), kind.value.type());
}

INSTANTIATE_TEST_SUITE_P(EveryKind, VariantRoundTrip,
                         testing::Combine(testing::ValuesIn(kindCases()), testing::Bool()),
                         [](const auto& info) {
                             return std::string(std::get<0>(info.param).name)
                                 + (std::get<1>(info.param) ? "_ByRef" : "_ByValue");
                         });

TEST(FrameCodec, KeepsTheBitsOfANotANumber)
{
    NoObjects none;
    const double nan = std::nan("0x123");
    const Message m = roundTrip(Result{Variant::r8(nan), {}}, none);
    const double back = std::get<Result>(m).value.toR8();
    EXPECT_TRUE(std::isnan(back));
    EXPECT_EQ(std::memcmp(&back, &nan, sizeof nan), 0);
}

TEST(FrameCodec, CarriesEveryMessage)
{
    NoObjects none;
    const std::vector<Message> messages = {
        Hello{},
        Hello{protocolMagic, protocolVersion, optionSharedRings},
        Welcome{protocolVersion, 1},
        Welcome{protocolVersion, 1, optionSharedRings},
        Invoke{7, InvokeKind::PropertyPut, u"SupportPath", {WireArg{false, Variant::bstr(u"C:\\A;D:\\Б")}}},
        Result{Variant(), {}},
        Failure{hr::Disp_E_UnknownName, u"AutoCAD", u"Неизвестное имя", u"GetXData"},
        Release{9, 3},
        RetryLater{},
    };
    for (const Message& m : messages) {
        EXPECT_EQ(roundTrip(m, none), m) << "message " << m.index();
    }
}

TEST(FrameCodec, RefusesObjectsWhereNoneMayCross)
{
    NoObjects none;
    EXPECT_THROW(encodeFrame(Result{Variant::dispatch(sharedObject), {}}, none), FrameError);
}

Variant nestedArrays(int depth)
{
    Variant v = Variant::i2(1);
    for (int i = 0; i < depth; ++i)
        v = Variant::array({v});
    return v;
}

TEST(FrameCodec, NestsArraysUpToTheLimitAndNoDeeper)
{
    NoObjects none;
    EXPECT_EQ(roundTrip(Result{nestedArrays(maxArrayDepth), {}}, none), Message(Result{nestedArrays(maxArrayDepth), {}}));
    EXPECT_THROW(encodeFrame(Result{nestedArrays(maxArrayDepth + 1), {}}, none), FrameError);
}

std::vector<uint8_t> bytes(std::initializer_list<int> list)
{
    std::vector<uint8_t> out;
    for (int b : list)
        out.push_back(static_cast<uint8_t>(b));
    return out;
}

struct MalformedCase {
    const char* name;
    std::vector<uint8_t> payload;
};

std::vector<MalformedCase> malformedCases()
{
    std::vector<uint8_t> deep = bytes({4}); // Result holding arrays nested one level too deep
    for (int i = 0; i <= maxArrayDepth; ++i)
        deep.insert(deep.end(), {8, 0, 0, 0, 0, 1, 0, 0, 0});
    deep.insert(deep.end(), {0, 0, 0, 0, 0});

    std::vector<uint8_t> trailing = payloadOf(Release{1, 1});
    trailing.push_back(0);

    std::vector<uint8_t> cut = payloadOf(Failure{1, u"source", u"description", u"member"});
    cut.pop_back();

    return {
        {"Empty", {}},
        {"UnknownMessage", bytes({99})},
        {"TruncatedRelease", bytes({6, 1, 0, 0})},
        {"TruncatedText", cut},
        {"TrailingBytes", trailing},
        {"UnknownValueType", bytes({4, 11, 0, 0, 0, 0})},
        {"BooleanNeitherZeroNorOne", bytes({4, 6, 2, 0, 0, 0, 0})},
        {"UnknownInvokeKind", bytes({3, 1, 0, 0, 0, 0, 0, 0, 0, 9, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"ArrayCountBeyondThePayload", bytes({4, 8, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0x7f})},
        {"TextCountBeyondThePayload", bytes({4, 7, 0xff, 0xff, 0xff, 0xff})},
        {"ArgumentCountBeyondThePayload", bytes({3, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xff, 0xff, 0xff, 0xff})},
        {"ArrayUpperBoundOverflows", bytes({4, 8, 0xff, 0xff, 0xff, 0x7f, 2, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
        {"ArraysTooDeep", deep},
        {"ObjectWhereNoneMayCross", bytes({4, 9, 1, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0})},
    };
}

class MalformedPayload : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedPayload, IsAFrameError)
{
    NoObjects none;
    EXPECT_THROW(decodePayload(GetParam().payload, none), FrameError);
}

INSTANTIATE_TEST_SUITE_P(Refused, MalformedPayload, testing::ValuesIn(malformedCases()),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(FrameCodec, RefusesMoreValuesThanAMessageMayHold)
{
    // An array of Empty values costs one byte each on the wire and far more in
    // memory; past the limit the decoder stops before allocating them.
    std::vector<uint8_t> payload = bytes({4, 8, 0, 0, 0, 0});
    const uint32_t n = maxValuesPerMessage + 1;
    for (int i = 0; i < 4; ++i)
        payload.push_back(static_cast<uint8_t>(n >> (8 * i)));
    payload.resize(payload.size() + n + 5, 0);
    NoObjects none;
    EXPECT_THROW(decodePayload(payload, none), FrameError);
}

TEST(FrameCodec, TheLargestAnswerOfTheCadContractFitsWellWithinTheLimits)
{
    // A CAD keeps at most 16 kB of extended data per object; in its smallest
    // items (a group code and a 16-bit integer, four bytes) that is 4,096
    // pairs. Twice that, with a text in every eighth place, still crosses.
    std::vector<Variant> codes;
    std::vector<Variant> values;
    for (int i = 0; i < 8192; ++i) {
        codes.push_back(Variant::i2(i % 8 ? 1070 : 1000));
        values.push_back(i % 8 ? Variant::i2(10) : Variant::bstr(std::u16string(255, u'Ж')));
    }
    const Result answer{Variant(), {Output{1, Variant::array(codes)}, Output{2, Variant::array(values)}}};
    NoObjects none;
    EXPECT_EQ(roundTrip(answer, none), Message(answer));
}

TEST(FrameCodec, ACallCarriesUpToTheArgumentLimitAndNoMore)
{
    NoObjects none;
    Invoke call{1, InvokeKind::Method, u"Echo", std::vector<WireArg>(maxArgumentsPerCall, WireArg{true, Variant::i2(1)})};
    EXPECT_EQ(roundTrip(call, none), Message(call));
    call.args.push_back(WireArg{});
    EXPECT_THROW(encodeFrame(call, none), FrameError);
}

TEST(FrameCodec, AnUnknownObjectIdIsTheMarshalsFailure)
{
    Table table;
    const std::vector<uint8_t> payload = bytes({4, 9, 5, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0});
    EXPECT_THROW(decodePayload(payload, table), AutomationError);
}

} // namespace
