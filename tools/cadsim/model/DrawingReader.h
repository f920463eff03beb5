#pragma once

#include "cadsim/model/ModelObject.h"

#include <optional>

namespace cadsim {

// The CAD's drawing reader (AutoCAD's ObjectDBX document): a drawing
// database without a document, which a client gets from
// GetInterfaceObject, opens on a drawing file once, and reads as it reads a
// document: no window, no events, no command line.
//
// Open reads the file read only and holds it shared (SimulatorState::
// readDrawingFile); the drawing and the hold last until the last reference
// to the reader and to every object reached through it is released. The
// drawing is never written: Save and SaveAs fail.
class DrawingReader final : public ModelObject {
public:
    explicit DrawingReader(std::shared_ptr<SimulatorState> state);

private:
    static const MemberTable& members();
    // The drawing open in this reader; fails before Open.
    const std::shared_ptr<DocumentData>& drawing() const;

    std::shared_ptr<DocumentData> m_drawing;
};

// GetInterfaceObject's answer for the ProgID of the CAD's drawing reader, in
// the release it reports (drawingReaderProgId): a new reader, or "Problem in
// loading application" where the reader was taken away. Nothing for any
// other ProgID.
std::optional<automation::Variant> drawingReaderFor(const std::shared_ptr<SimulatorState>& state,
                                                    const std::u16string& progId);

} // namespace cadsim
