#pragma once

#include "platform/db/DatasetRow.h"

#include <vector>

namespace db {

struct SortColumn {
    int fieldIndex = 0;
    FieldType type = FieldType::Text;
};

// Sorts rows ascending by each column in turn, as a client cursor does:
// Null before every value, numbers by value, text by the Russian collation
// without regard to case (layer names are case-insensitive in CAD drawings).
// That collation sorts the Cyrillic alphabet in its own order (Ё beside Е,
// lower and upper case together) rather than by code point, which would put
// "Ё" before "А" and every capital before every small letter. As that
// collation orders scripts, Cyrillic names come before Latin ones, and digits
// before both. Rows equal in every column keep the order in which the file
// gave them.
//
// Returns where each row came from: row i of the result was row order[i].
std::vector<size_t> sortRows(std::vector<DatasetRow>& rows, const std::vector<SortColumn>& columns);

} // namespace db
