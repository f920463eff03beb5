#pragma once

#include "cadsim/model/Drawing.h"
#include "cadsim/model/Simulator.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"

#include <functional>

namespace cadsim::testing {

// A small drawing with what the tests look at: a pipe on a locked layer, a
// solid that is no pipe, a line carrying data of two applications, and a
// layer with every flag the other way round.
inline Drawing sampleDrawing()
{
    Drawing d(u"pipes.dxf");
    d.addLayer(u"0");
    d.addLayer(Layer{u"PIPES", true, false, true});
    d.addLayer(Layer{u"Трубы", false, true, false});
    d.addPipe(u"PIPES", 1000, 25, 20);                     // handle 100
    d.addSolid(u"Трубы");                                  // handle 101
    const Entity& line = d.addLine(u"0");                  // handle 102
    d.addXData(line.handle, u"ACAD", {XDataItem::text(1000, u"note")});
    d.addXData(line.handle, u"trb", {XDataItem::int16(1070, 11)});
    return d;
}

// The sample drawing open in a simulated CAD, with the paths the tests walk
// from the application object down to its documents, entities and layers.
struct SampleCad {
    Simulator sim{sampleDrawing()};
    automation::Variant app = sim.applicationVariant();

    automation::Variant doc() const { return automation::get(app, u"ActiveDocument"); }
    automation::Variant modelSpace() const { return automation::get(doc(), u"ModelSpace"); }
    automation::Variant entity(int32_t i) const
    {
        return automation::call(modelSpace(), u"Item", automation::Variant::i4(i));
    }
    automation::Variant layers() const { return automation::get(doc(), u"Layers"); }
    automation::Variant layer(automation::Variant key) const { return automation::call(layers(), u"Item", std::move(key)); }
    automation::Variant layer(int32_t i) const { return layer(automation::Variant::i4(i)); }
    automation::Variant selection() const { return automation::get(doc(), u"PickfirstSelectionSet"); }
    automation::Variant files() const { return automation::get(automation::get(app, u"Preferences"), u"Files"); }
};

// The HRESULT an automation call fails with, or 0 when it succeeds.
inline int32_t failureCode(const std::function<void()>& call)
{
    try {
        call();
    } catch (const automation::CallFailure& e) {
        return e.code();
    }
    return 0;
}

// The failure an automation call ends with, whatever its kind, by its fields.
inline automation::AutomationError failureOf(const std::function<void()>& call)
{
    try {
        call();
    } catch (const automation::CallFailure& e) {
        return automation::AutomationError(e.code(), e.description(), e.source(), e.member());
    }
    return automation::AutomationError(0, u"no failure");
}

} // namespace cadsim::testing
