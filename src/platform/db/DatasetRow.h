#pragma once

#include "platform/db/Field.h"

#include <cstdint>
#include <vector>

namespace db {

// One row of a dataset as held in memory: the values in field order and the
// row's key in the file (its rowid, which the auto-increment key aliases).
struct DatasetRow {
    std::vector<FieldValue> values;
    int64_t key = 0;
};

} // namespace db
