#include "platform/db/ConnectionString.h"

#include <gtest/gtest.h>

namespace {

struct ParseCase {
    const char* name;
    const char* text;
    const char* expectedProvider;
    const char* expectedSource;
};

class ConnectionStringTest : public testing::TestWithParam<ParseCase> {};

TEST_P(ConnectionStringTest, FindsProviderAndSource)
{
    const ParseCase& c = GetParam();
    const db::ConnectionString cs(QString::fromUtf8(c.text));
    EXPECT_EQ(cs.provider(), QString::fromUtf8(c.expectedProvider));
    EXPECT_EQ(cs.dataSource(), QString::fromUtf8(c.expectedSource));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ConnectionStringTest,
    testing::Values(
        ParseCase{"Program", "Provider=Microsoft.Jet.OLEDB.4.0;Data Source=D:\\Tools\\spec_base.mdb;Persist Security Info=False",
                  "Microsoft.Jet.OLEDB.4.0", "D:\\Tools\\spec_base.mdb"},
        ParseCase{"BeforeRewriteHasNoSource", "Provider=Microsoft.Jet.OLEDB.4.0;Data [Source];Persist Security Info=False",
                  "Microsoft.Jet.OLEDB.4.0", ""},
        ParseCase{"KeysIgnoreCaseAndBlanks", " provider = Microsoft.Jet.OLEDB.4.0 ; DATA  SOURCE = /tmp/a b.mdb ",
                  "Microsoft.Jet.OLEDB.4.0", "/tmp/a b.mdb"},
        ParseCase{"QuotedValueHoldsSemicolon", "Provider=X;Data Source=\"/tmp/a;b/spec_base.mdb\";Mode=Read", "X",
                  "/tmp/a;b/spec_base.mdb"},
        ParseCase{"DoubledQuoteInQuotes", "Data Source='/tmp/it''s.mdb'", "", "/tmp/it's.mdb"},
        ParseCase{"LastValueWins", "Data Source=/a.mdb;Data Source=/b.mdb", "", "/b.mdb"},
        ParseCase{"CyrillicPath", "Data Source=/home/инженер/База/spec_base.mdb", "", "/home/инженер/База/spec_base.mdb"},
        ParseCase{"Empty", "", "", ""}),
    [](const testing::TestParamInfo<ParseCase>& info) { return std::string(info.param.name); });

} // namespace
