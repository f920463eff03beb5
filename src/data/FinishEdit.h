#pragma once

namespace db {
class Dataset;
}

// Ends a pending edit of a table: a closed table is a DbError; otherwise the
// bound controls hand over their pending input, and a row in edit or insert
// state is posted when a field changed (through the before-post handler) or
// cancelled when nothing did, so an untouched inserted row disappears.
// Nothing happens in browse state.
void FinishEdit(db::Dataset& table);
