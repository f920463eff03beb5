#include "cad/TLayers.h"

#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

#include <stdexcept>

namespace {

TLayer layer(const char* name, int index = 0)
{
    return TLayer{QString::fromUtf8(name), index, true, false, true};
}

QString refused(const char* name)
{
    return QStringLiteral("Failure to add layer %1 to the layers list!").arg(QString::fromUtf8(name));
}

TEST(TLayers, ZeroCapacityRefusesEveryAddWithAMessage)
{
    MessageRecorder recorder;
    TLayers list(0);
    list.Add(layer("0"));
    list.Add(layer("Трубы"));
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(recorder.all, (QStringList{refused("0"), refused("Трубы")}));
}

TEST(TLayers, StoresCopiesUpToItsCapacity)
{
    MessageRecorder recorder;
    TLayers list(2);
    TLayer first = layer("A", 0);
    list.Add(first);
    first.Name = QStringLiteral("changed");
    list.Add(layer("B", 1));
    list.Add(layer("C", 2));
    ASSERT_EQ(list.Count(), 2);
    EXPECT_EQ(list.Items(0), layer("A", 0));
    EXPECT_EQ(list.Items(1), layer("B", 1));
    EXPECT_EQ(recorder.all, QStringList{refused("C")});

    list.Clear();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_EQ(list.Capacity(), 2);
    list.Add(layer("D"));
    EXPECT_EQ(list.Count(), 1);
}

TEST(TLayers, AssignKeepsTheFirstRecordsAndRefusesEachBeyond)
{
    MessageRecorder recorder;
    TLayers source(4);
    for (const char* name : {"A", "B", "C", "D"})
        source.Add(layer(name));
    TLayers target(2);
    target.Add(layer("old"));
    target.Assign(source);
    ASSERT_EQ(target.Count(), 2);
    EXPECT_EQ(target.Items(0).Name, QStringLiteral("A"));
    EXPECT_EQ(target.Items(1).Name, QStringLiteral("B"));
    EXPECT_EQ(recorder.all, (QStringList{refused("C"), refused("D")}));

    // Assigning a list to itself keeps it whole.
    recorder.clear();
    source.Assign(source);
    EXPECT_EQ(source.Count(), 4);
    EXPECT_TRUE(recorder.all.isEmpty());
}

TEST(TLayers, NegativeCapacityIsRefused)
{
    EXPECT_THROW(TLayers(-2), std::invalid_argument);
}

} // namespace
