#pragma once

#include <QString>

#include <cstdint>

// Makes the model-space entity whose ObjectID is `id` the drawing's pickfirst
// selection, by a selection expression sent to the CAD command line, and
// brings the CAD window forward. An id of 0 or below does nothing and does
// not attach. Opens and frees its own connection; the connection's messages
// and SilentAbort pass through, as do failures to read the selection set or
// the model space; a failure with a single entity is dropped.
void SelectEntityById(int64_t id);

// The command-line text that selects the entity with `handle`.
QString SelectionCommand(const QString& handle);
