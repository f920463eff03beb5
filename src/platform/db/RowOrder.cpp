#include "platform/db/RowOrder.h"

#include <QCollator>
#include <QCollatorSortKey>
#include <QHash>
#include <QLocale>

#include <algorithm>
#include <numeric>

namespace db {

namespace {

// Layer names repeat: thousands of pipes lie on a few dozen layers. Each
// distinct text is collated once, and the rows are then sorted by the rank of
// their text, an integer comparison; equal-collating texts share a rank.
std::vector<int> textRanks(const std::vector<DatasetRow>& rows, int fieldIndex, const QCollator& collator)
{
    QHash<QString, int> distinct;
    std::vector<QString> texts;
    std::vector<int> slot(rows.size(), -1);
    for (size_t r = 0; r < rows.size(); ++r) {
        const auto* text = std::get_if<QString>(&rows[r].values[size_t(fieldIndex)]);
        if (!text)
            continue;
        auto it = distinct.constFind(*text);
        if (it == distinct.constEnd()) {
            it = distinct.insert(*text, int(texts.size()));
            texts.push_back(*text);
        }
        slot[r] = *it;
    }
    std::vector<QCollatorSortKey> keys;
    keys.reserve(texts.size());
    for (const QString& text : texts)
        keys.push_back(collator.sortKey(text));
    std::vector<int> order(texts.size());
    std::iota(order.begin(), order.end(), 0);
    std::sort(order.begin(), order.end(), [&](int a, int b) { return keys[size_t(a)].compare(keys[size_t(b)]) < 0; });
    std::vector<int> rankOf(texts.size());
    int rank = 0;
    for (size_t i = 0; i < order.size(); ++i) {
        if (i > 0 && keys[size_t(order[i - 1])].compare(keys[size_t(order[i])]) != 0)
            ++rank;
        rankOf[size_t(order[i])] = rank;
    }
    std::vector<int> ranks(rows.size(), -1); // -1: Null, before every text
    for (size_t r = 0; r < rows.size(); ++r) {
        if (slot[r] >= 0)
            ranks[r] = rankOf[size_t(slot[r])];
    }
    return ranks;
}

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

    std::vector<std::vector<int>> ranks(columns.size());
    for (size_t c = 0; c < columns.size(); ++c) {
        if (columns[c].type == FieldType::Text)
            ranks[c] = textRanks(rows, columns[c].fieldIndex, collator);
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
                r = ranks[c][a] < ranks[c][b] ? -1 : (ranks[c][a] > ranks[c][b] ? 1 : 0);
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
