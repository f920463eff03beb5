#pragma once

#include "walk/PipeSolid.h"
#include "spec/TspDetail.h"

// A pipe: a detail with the length and the outer and inner diameters that the
// CAD-side pipe program stores in the solid's extended data, application
// "trb": group 1070 is the kind (10 for a pipe, a 16-bit integer), group 1010
// the point (length, outer radius, inner radius).
class TspDetTruba : public TspDetail {
public:
    static constexpr const char16_t* PipeApplication = pipesolid::Application;
    static constexpr int32_t KindGroup = pipesolid::KindGroup;
    static constexpr int32_t SizeGroup = pipesolid::SizeGroup;
    static constexpr int16_t PipeKindCode = pipesolid::PipeKind;

    TspDetTruba() { FKind = KindPipe; }

    // Loads the layer and ObjectID, then the sizes from the size point. No
    // point leaves the sizes as they were; a malformed point (too short, not
    // numbers) fails after storing the sizes read so far.
    void LoadFromEntity(automation::Variant entity) override;

    double FLength = 0.0;
    double FRmin = 0.0; // inner diameter
    double FRmax = 0.0; // outer diameter
};
