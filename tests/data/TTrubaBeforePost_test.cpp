// The row check before every post of the pipe table.
#include "support/MessageRecorder.h"
#include "support/PipeTableFixture.h"

#include "platform/messages/EntryPoint.h"

#include <gtest/gtest.h>

#include <optional>

namespace {

struct ValidationCase {
    const char* name;
    std::optional<double> length;
    std::optional<double> rmax;
    std::optional<double> rmin;
    QStringList expectedMessages; // empty: the post goes through
    std::optional<double> expectedStoredRmin;
};

class BeforePostTest : public testing::TestWithParam<ValidationCase> {};

TEST_P(BeforePostTest, ValidatesTheRow)
{
    const ValidationCase& c = GetParam();
    MessageRecorder messages;
    PipeTableFixture t;
    t.open();
    db::Dataset& table = *t.data.TTruba;
    table.append();
    t.data.TTrubaFLayer->setAsString(QString()); // a layer is never required
    auto set = [](db::Field* f, std::optional<double> v) { v ? f->setAsFloat(*v) : f->setNull(); };
    set(t.data.TTrubaFLength, c.length);
    set(t.data.TTrubaFRmax, c.rmax);
    set(t.data.TTrubaFRmin, c.rmin);

    if (c.expectedMessages.isEmpty()) {
        table.post();
        EXPECT_TRUE(messages.all.isEmpty());
        const auto rows = t.file.rows();
        ASSERT_EQ(rows.size(), 1u);
        EXPECT_EQ(rows[0].length, c.length);
        EXPECT_EQ(rows[0].rmin, c.expectedStoredRmin);
    } else {
        EXPECT_FALSE(messages::runEntryPoint([&] { table.post(); }));
        EXPECT_EQ(messages.all, c.expectedMessages);
        EXPECT_EQ(table.state(), db::DatasetState::Insert);
        EXPECT_TRUE(table.isModified());
        EXPECT_EQ(t.file.rowCount(), 0);
        // The user's values stay, untouched by the check.
        EXPECT_EQ(t.data.TTrubaFRmin->isNull(), !c.rmin.has_value());
    }
}

const QString noLength = QStringLiteral("Необходимо указать длинну!!!");
const QString noRmax = QStringLiteral("Необходимо указать наружный диаметр!!!");
const QString lengthNotAboveZero = QStringLiteral("Длина должна быть больше нуля (столбец «Длинна, мм»)");
const QString rmaxNotAboveZero = QStringLiteral("Наружный диаметр должен быть больше нуля (столбец «D наружный, мм»)");
const QString rminBelowZero = QStringLiteral("Внутренний диаметр не может быть меньше нуля (столбец «D Внутр, мм»)");

INSTANTIATE_TEST_SUITE_P(
    Cases, BeforePostTest,
    testing::Values(ValidationCase{"Complete", 1000.0, 57.0, 50.0, {}, 50.0},
                    ValidationCase{"NoInnerDiameterBecomesZero", 1000.0, 57.0, std::nullopt, {}, 0.0},
                    // Sizes no pipe can have, at the boundaries the harvest keeps a pipe by.
                    ValidationCase{"ZeroLength", 0.0, 57.0, 50.0, {lengthNotAboveZero}, std::nullopt},
                    ValidationCase{"NegativeLength", -500.0, 57.0, 50.0, {lengthNotAboveZero}, std::nullopt},
                    ValidationCase{"SmallestLength", 0.001, 57.0, 50.0, {}, 50.0},
                    ValidationCase{"ZeroOuterDiameter", 1000.0, 0.0, 0.0, {rmaxNotAboveZero}, std::nullopt},
                    ValidationCase{"NegativeOuterDiameterBeforeInner", 1000.0, -5.0, -1.0, {rmaxNotAboveZero},
                                   std::nullopt},
                    ValidationCase{"NegativeInnerDiameter", 1000.0, 57.0, -0.001, {rminBelowZero}, std::nullopt},
                    ValidationCase{"ZeroInnerDiameter", 1000.0, 57.0, 0.0, {}, 0.0},
                    ValidationCase{"EverySizeZeroShowsOnlyTheLength", 0.0, 0.0, 0.0, {lengthNotAboveZero}, std::nullopt},
                    ValidationCase{"MissingLengthBeforeItsSize", std::nullopt, -1.0, -1.0, {noLength}, std::nullopt},
                    ValidationCase{"NothingShowsOnlyTheLengthMessage", std::nullopt, std::nullopt, std::nullopt, {noLength},
                                   std::nullopt},
                    ValidationCase{"NoLength", std::nullopt, 57.0, 50.0, {noLength}, std::nullopt},
                    ValidationCase{"NoOuterDiameter", 1000.0, std::nullopt, std::nullopt, {noRmax}, std::nullopt}),
    [](const testing::TestParamInfo<ValidationCase>& info) { return std::string(info.param.name); });

TEST(TTrubaBeforePost, MessagesFollowOneAnotherAsTheRowIsCompleted)
{
    MessageRecorder messages;
    PipeTableFixture t;
    t.open();
    t.data.TTruba->append();
    t.data.TTrubaFLayer->setAsString(QStringLiteral("Вода"));
    EXPECT_FALSE(messages::runEntryPoint([&] { t.data.TTruba->post(); }));
    t.data.TTrubaFLength->setAsFloat(1234.6);
    EXPECT_FALSE(messages::runEntryPoint([&] { t.data.TTruba->post(); }));
    t.data.TTrubaFRmax->setAsFloat(57.0);
    t.data.TTruba->post();
    EXPECT_EQ(messages.all, (QStringList{noLength, noRmax}));
    EXPECT_EQ(t.data.TTrubaFLength->displayText(), QStringLiteral("1235"));
    EXPECT_EQ(t.file.rows().at(0).length, 1234.6);
    EXPECT_EQ(t.data.TTrubaFRmin->value(), db::FieldValue{0.0});
}

TEST(TTrubaBeforePost, RunsForAnEditToo)
{
    MessageRecorder messages;
    PipeTableFixture t;
    t.file.addRows({{.layer = QStringLiteral("A"), .length = 1.0, .rmax = 2.0, .rmin = 1.0}});
    t.open();
    t.data.TTruba->edit();
    t.data.TTrubaFRmax->setNull();
    EXPECT_FALSE(messages::runEntryPoint([&] { t.data.TTruba->post(); }));
    EXPECT_EQ(messages.all, QStringList{noRmax});
    EXPECT_EQ(t.data.TTruba->state(), db::DatasetState::Edit);
    EXPECT_EQ(t.file.rows().at(0).rmax, 2.0);
}

} // namespace
