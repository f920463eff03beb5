#pragma once

#include <QString>

#include <cstdint>

// Makes the model-space entity whose ObjectID is `id` the drawing's pickfirst
// selection, by a selection expression sent to the CAD command line, and
// brings the CAD window forward. An id of 0 or below does nothing and does
// not attach. Opens and frees its own connection; the connection's
// MessageAbort passes through, as do failures the CAD answers to reading the
// selection set or the model space; an entity that answers with an error is
// passed over, and so is one whose handle is not a handle
// (walk::isEntityHandle). A CAD that stops answering on the way ends the
// command with the attach's "not ready" message.
//
// `drawing` is the identity of the row's drawing (DrawingIdentity) and
// `path` its file, each empty for a row of an older file. A row of another
// drawing than the active one selects nothing there and leaves the drawing's
// selection as it is: where the row knows its drawing's file, that drawing is
// made the active one (activated where it is open; where it is not, opened
// once its user says so) and the pipe selected in it.
//
// ObjectIDs are new in every session of the CAD; the handle is saved with
// the drawing. When no entity has the ObjectID (the drawing was reopened
// since the harvest), a handle is given and the active drawing is known to
// be the row's own, the entity with that handle is selected instead, if it
// is a pipe.
void SelectEntityById(int64_t id, const QString& handle = {}, const QString& drawing = {},
                      const QString& path = {});

// The command-line text that selects the entity with `handle`, which must be
// an entity handle: it is put between quotes as it is.
QString SelectionCommand(const QString& handle);
