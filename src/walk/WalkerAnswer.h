#pragma once

#include "platform/automation/Variant.h"
#include "walk/LayerRecords.h"
#include "walk/ModelSpaceWalk.h"

// The walker's answers as they cross from the CAD's process to the program's:
// plain values, never objects, one array per answer.
//
//   Pipes:  [next, failure code, failure source, failure description,
//            layers, ObjectIDs, handles, lengths, outer diameters, inner diameters]
//   Find:   [next, failure code, failure source, failure description, handles]
//   Layers: [next, failure code, failure source, failure description,
//            names, locks, freezes, ons]
//
// The rows go as columns (one array per field) rather than an array per row:
// a tenth of the values to convert and to carry. A failure code of 0 means
// that Item did not fail. The reading side trusts nothing: an answer of
// another shape, or one that claims more than the range asked for, is a
// DISP_E_TYPEMISMATCH naming the walker.
namespace walk {

automation::Variant encodePipes(const PipeChunk& chunk);
automation::Variant encodeMatches(const MatchChunk& chunk);
automation::Variant encodeLayers(const LayerChunk& chunk);

PipeChunk decodePipes(const automation::Variant& answer, int32_t first, int32_t count);
MatchChunk decodeMatches(const automation::Variant& answer, int32_t first, int32_t count);
LayerChunk decodeLayers(const automation::Variant& answer, int32_t first, int32_t count);

} // namespace walk
