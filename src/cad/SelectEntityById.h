#pragma once

#include <QString>

#include <cstdint>

// Makes the model-space entity whose ObjectID is `id` the drawing's pickfirst
// selection, by a selection expression sent to the CAD command line, and
// brings the CAD window forward. An id of 0 or below does nothing and does
// not attach. Opens and frees its own connection; the connection's
// MessageAbort passes through, as do failures to read the selection set or
// the model space; a failure with a single entity is dropped, and so is an
// entity whose handle is not a handle (IsEntityHandle).
//
// ObjectIDs are new in every session of the CAD; the handle is saved with
// the drawing. When no entity has the ObjectID (the drawing was reopened
// since the harvest), a handle is given and `drawing` is the identity of the
// active document's drawing (DrawingIdentity), the entity with that handle is
// selected instead, if it is a pipe. Another drawing may well have a pipe
// under the same handle: without a matching identity nothing is selected.
void SelectEntityById(int64_t id, const QString& handle = {}, const QString& drawing = {});

// True for 1 to 16 hexadecimal digits, the handles a CAD hands out.
bool IsEntityHandle(const QString& text);

// The command-line text that selects the entity with `handle`, which must be
// an entity handle: it is put between quotes as it is.
QString SelectionCommand(const QString& handle);
