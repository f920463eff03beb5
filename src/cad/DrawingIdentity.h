#pragma once

#include "platform/automation/Variant.h"

#include <QString>

// What tells one drawing from another: the CAD's FINGERPRINTGUID, set when
// the drawing is created, saved with it, and kept by "Save As". A handle
// means something only within its own drawing, and drawings started from one
// template hand out the same handles in the same order; so a row remembers
// the identity of the drawing it was read from.
//
// Empty when the document cannot tell: a CAD that has no such variable, a
// call that fails, an answer that is no text or no plausible identity. A row
// without an identity is then found by its ObjectID alone.
QString DrawingIdentity(const automation::Variant& document);
