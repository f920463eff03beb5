#pragma once

#include "support/TestDatabase.h"

#include <random>
#include <vector>

// Pipe rows as a drawing of a building gives them: some forty layers, the
// common pipe sizes, lengths with a tenth of a millimetre. The same rows on
// every run.
inline std::vector<TestDatabase::Row> generatedPipes(int count)
{
    std::mt19937 random(42);
    const double sizes[] = {15, 20, 25, 32, 40, 50, 57, 76, 89, 108, 133, 159, 219};
    std::vector<TestDatabase::Row> rows;
    rows.reserve(size_t(count));
    for (int i = 0; i < count; ++i) {
        TestDatabase::Row row;
        row.objectId = 0x100000000LL + i;
        row.layer = QStringLiteral("Трубопровод_%1_%2").arg(random() % 40).arg(i % 3 ? "Отопление" : "ГВС");
        row.length = double(random() % 100000) / 10.0;
        row.rmax = sizes[random() % 13];
        row.rmin = *row.rmax - 3.5;
        rows.push_back(row);
    }
    return rows;
}
