#include "cad/ResStrings.h"

#include <gtest/gtest.h>

namespace {

TEST(ResStrings, TableHoldsTheFourTextsWithCarriageReturns)
{
    EXPECT_EQ(ResStrings::text(65173), QStringLiteral("Failures to copy file %s\rby neither path:\r%s"));
    EXPECT_EQ(ResStrings::text(65174),
              QStringLiteral("AutoCAD is not ready to work with the program.\rPlease check if AutoCAD is currently "
                             "performing some user's command.\rIf yes, cancel the command (button Esc) and try again."));
    EXPECT_EQ(ResStrings::text(65175), QStringLiteral("Cannot find AutoCAD that has been already started!!!"));
    EXPECT_EQ(ResStrings::text(65176), QStringLiteral("Failure to add layer %s to the layers list!"));
    EXPECT_TRUE(ResStrings::text(65177).isEmpty());
    EXPECT_EQ(ResStrings::text(65173).count(u'\r'), 2);
    EXPECT_FALSE(ResStrings::text(65174).contains(u'\n'));
}

TEST(ResStrings, FormatFillsPlaceholdersInOrderOnce)
{
    EXPECT_EQ(ResStrings::format(ResStrings::SFailuresToCopyFile, {QStringLiteral("D:\\T\\tr.fas"), QStringLiteral("%s\rX")}),
              QStringLiteral("Failures to copy file D:\\T\\tr.fas\rby neither path:\r%s\rX"));
    EXPECT_EQ(ResStrings::format(ResStrings::SFailureToAddLayer, {QStringLiteral("100%")}),
              QStringLiteral("Failure to add layer 100% to the layers list!"));
}

} // namespace
