#pragma once

#include "platform/automation/Variant.h"

#include <QString>

// The CAD's system variables that the program reads and writes, each with
// what it means where the CAD cannot tell: the CADs other than AutoCAD, and
// older releases, lack some of them, and their GetVariable or SetVariable
// then fails. Such a failure is no failure of the command; the answer stands
// for what the CAD does without the variable. A CAD that does not answer at
// all (a LinkFailure, AutomationError.h) fails the command instead.

// TRUSTEDPATHS, folders separated by ";". Empty where the CAD keeps no such
// list: no folder is then trusted by being listed.
QString TrustedPaths(const automation::Variant& document);

// Replaces TRUSTEDPATHS; false where the CAD will not take it (an
// administrator's lock on the profile, no such variable). The support file
// still lies where it was copied; the CAD decides whether to load it.
bool SetTrustedPaths(const automation::Variant& document, const QString& list);

// SECURELOAD: 0 loads code from any folder, 1 asks the CAD's user about a
// folder it does not trust, 2 refuses one. A CAD that answers it has no such
// variable loads code from anywhere, as at 0; any other failure of the read,
// or an answer that is no number, counts as 1: the CAD might ask.
int SecureLoad(const automation::Variant& document);

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
