// Reading and writing field values: conversions to the field's type.
#include "PipeTable.h"

#include "platform/db/DbError.h"

#include "support/DbErrorOf.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

struct SetCase {
    const char* name;
    db::Field* TSpecData::*field; // one of the module's pipe table fields
    db::FieldValue input;
    db::FieldValue expected; // Null with error set means "refused"
    bool refused;
};

class FieldSetTest : public testing::TestWithParam<SetCase> {};

TEST_P(FieldSetTest, ConvertsToTheFieldsType)
{
    const SetCase& c = GetParam();
    PipeTable t;
    t.table->open();
    t.table->append();
    db::Field& field = *(t.data.*c.field);
    if (c.refused) {
        EXPECT_THROW(field.setValue(c.input), db::DbError);
        EXPECT_TRUE(field.isNull());
        EXPECT_FALSE(t.table->isModified());
    } else {
        field.setValue(c.input);
        EXPECT_EQ(field.value(), c.expected);
        EXPECT_TRUE(t.table->isModified());
    }
}

const double nan = std::numeric_limits<double>::quiet_NaN();

INSTANTIATE_TEST_SUITE_P(
    Cases, FieldSetTest,
    testing::Values(
        SetCase{"TextWithPoint", &TSpecData::TTrubaFLength, QStringLiteral("12.5"), 12.5, false},
        SetCase{"TextWithComma", &TSpecData::TTrubaFLength, QStringLiteral(" 12,5 "), 12.5, false},
        SetCase{"EmptyTextIsNullForNumbers", &TSpecData::TTrubaFLength, QStringLiteral(""), db::FieldValue{}, false},
        SetCase{"NotANumber", &TSpecData::TTrubaFLength, QStringLiteral("12 мм"), db::FieldValue{}, true},
        SetCase{"NaNRefused", &TSpecData::TTrubaFLength, nan, db::FieldValue{}, true},
        SetCase{"IntegerToDouble", &TSpecData::TTrubaFLength, int64_t(3), 3.0, false},
        SetCase{"DoubleToIntegerHalfEven", &TSpecData::TTrubaFObjectID, 2.5, int64_t(2), false},
        SetCase{"DoubleTooLargeForInteger", &TSpecData::TTrubaFObjectID, 1e19, db::FieldValue{}, true},
        SetCase{"IntegerText", &TSpecData::TTrubaFObjectID, QStringLiteral("4294967301"), int64_t(4294967301), false},
        SetCase{"FractionTextForInteger", &TSpecData::TTrubaFObjectID, QStringLiteral("1.5"), db::FieldValue{}, true},
        SetCase{"EmptyTextStaysText", &TSpecData::TTrubaFLayer, QStringLiteral(""), QStringLiteral(""), false},
        SetCase{"NumberToText", &TSpecData::TTrubaFLayer, 1.5, QStringLiteral("1.5"), false},
        SetCase{"KeyIsReadOnly", &TSpecData::TTrubaFKey, int64_t(5), db::FieldValue{}, true}),
    [](const testing::TestParamInfo<SetCase>& info) { return std::string(info.param.name); });

TEST(Field, WritingNeedsEditOrInsertState)
{
    PipeTable t;
    t.file.addRows({{.layer = QStringLiteral("A")}});
    t.table->open();
    EXPECT_EQ(dbErrorOf([&] { t.data.TTrubaFLayer->setAsString(QStringLiteral("B")); }),
              QStringLiteral("TTruba: Dataset not in edit or insert mode"));
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QStringLiteral("A"));
}

TEST(Field, ReadingConvertsNullToZeroAndEmpty)
{
    PipeTable t;
    t.file.addRows({{}});
    t.table->open();
    EXPECT_EQ(t.data.TTrubaFLength->asFloat(), 0.0);
    EXPECT_EQ(t.data.TTrubaFObjectID->asInteger(), 0);
    EXPECT_EQ(t.data.TTrubaFLayer->asString(), QString());
    EXPECT_EQ(t.data.TTrubaFLength->displayText(), QString());
}

} // namespace
