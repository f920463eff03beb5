#include "cadsim/model/Drawing.h"

#include <gtest/gtest.h>

using namespace cadsim;

TEST(Drawing, Placeholder)
{
    Drawing d;
    d.addPipe(u"P", 1, 2, 3);
    EXPECT_EQ(d.entities().size(), 1u);
}
