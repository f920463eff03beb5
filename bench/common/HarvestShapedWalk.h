#pragma once

#include "platform/automation/Dispatch.h"

#include <benchmark/benchmark.h>

#include <cstdint>

// The calls the harvest makes into the CAD, in its order and number, without
// the program around them: the model space, then per entity Item and
// EntityType, per solid one GetXData, per pipe Layer, ObjectID and a second
// GetXData.
struct WalkCount {
    int64_t calls = 0;
    int pipes = 0;
};

inline bool isPipeKind(const automation::Variant& codes, const automation::Variant& values)
{
    if (!codes.isArray())
        return false;
    for (int32_t i = 0; i <= codes.upperBound(); ++i)
        if (codes.at(i).toI4() == 1070)
            return values.at(i) == automation::Variant::i2(10);
    return false;
}

inline WalkCount walkLikeTheHarvest(const automation::Variant& application)
{
    using automation::Arg;
    using automation::Variant;
    WalkCount count;
    const Variant modelSpace = automation::get(automation::get(application, u"ActiveDocument"), u"ModelSpace");
    const int32_t entities = automation::get(modelSpace, u"Count").toI4();
    count.calls += 3;
    for (int32_t i = 0; i < entities; ++i) {
        const Variant entity = automation::call(modelSpace, u"Item", Variant::i4(i));
        const int32_t type = automation::get(entity, u"EntityType").toI4();
        count.calls += 2;
        if (type != 3)
            continue;
        Variant codes;
        Variant values;
        automation::call(entity, u"GetXData", Variant::bstr(u"trb"), Arg::ref(codes), Arg::ref(values));
        ++count.calls;
        if (!isPipeKind(codes, values))
            continue;
        benchmark::DoNotOptimize(automation::get(entity, u"Layer"));
        benchmark::DoNotOptimize(automation::get(entity, u"ObjectID"));
        Variant codes2;
        Variant values2;
        automation::call(entity, u"GetXData", Variant::bstr(u"trb"), Arg::ref(codes2), Arg::ref(values2));
        count.calls += 3;
        ++count.pipes;
    }
    return count;
}
