#include "platform/db/RowOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QLocale>

#include <algorithm>
#include <numeric>
#include <optional>

namespace db {

namespace {

// Comparing precomputed collation keys is a byte comparison; comparing the
// strings themselves would run the full collation for every one of the
// n·log n comparisons of a sort.
using TextKeys = std::vector<std::optional<QCollatorSortKey>>;

int compareNumbers(const FieldValue& a, const FieldValue& b)
{
    const auto number = [](const FieldValue& v) {
        if (const auto* i = std::get_if<int64_t>(&v))
            return double(*i);
        return std::get<double>(v);
    };
    if (std::holds_alternative<int64_t>(a) && std::holds_alternative<int64_t>(b)) {
        const int64_t x = std::get<int64_t>(a), y = std::get<int64_t>(b);
        return x < y ? -1 : (x > y ? 1 : 0);
    }
    const double x = number(a), y = number(b);
    return x < y ? -1 : (x > y ? 1 : 0);
}

} // namespace

std::vector<size_t> sortRows(std::vector<DatasetRow>& rows, const std::vector<SortColumn>& columns)
{
    std::vector<size_t> order(rows.size());
    std::iota(order.begin(), order.end(), size_t(0));
    if (columns.empty() || rows.size() < 2)
        return order;

    QCollator collator{QLocale(QLocale::Russian, QLocale::Russia)};
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    collator.setNumericMode(false);

    std::vector<TextKeys> keys(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].type != FieldType::Text)
            continue;
        keys[c].reserve(rows.size());
        for (const DatasetRow& row : rows) {
            const auto* text = std::get_if<QString>(&row.values[size_t(columns[c].fieldIndex)]);
            keys[c].push_back(text ? std::optional(collator.sortKey(*text)) : std::nullopt);
        }
    }

    std::stable_sort(order.begin(), order.end(), [&](size_t a, size_t b) {
        for (size_t c = 0; c < columns.size(); ++c) {
            const FieldValue& x = rows[a].values[size_t(columns[c].fieldIndex)];
            const FieldValue& y = rows[b].values[size_t(columns[c].fieldIndex)];
            const bool nx = isNull(x), ny = isNull(y);
            if (nx || ny) {
                if (nx != ny)
                    return nx;
                continue;
            }
            int r = 0;
            if (columns[c].type == FieldType::Text)
                r = keys[c][a]->compare(*keys[c][b]);
            else
                r = compareNumbers(x, y);
            if (r != 0)
                return r < 0;
        }
        return false;
    });

    std::vector<DatasetRow> sorted;
    sorted.reserve(rows.size());
    for (size_t i : order)
        sorted.push_back(std::move(rows[i]));
    rows = std::move(sorted);
    return order;
}

} // namespace db
