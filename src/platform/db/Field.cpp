#include "platform/db/Field.h"

#include "platform/db/Dataset.h"
#include "platform/db/DbError.h"
#include "platform/db/DisplayFormat.h"

#include <cmath>

namespace db {

namespace {

// Integers beyond this magnitude do not fit in 64 bits once rounded.
constexpr double int64Limit = 9223372036854775808.0; // 2^63

// What the user is told when a value cannot go into a column: the value as
// given, and the column as the grid titles it.
DbError notANumber(const QString& text, const QString& column)
{
    return DbError(QStringLiteral("Значение «%1» не является числом (столбец «%2»)").arg(text, column));
}

DbError notAnInteger(const QString& text, const QString& column)
{
    return DbError(QStringLiteral("Значение «%1» не является целым числом (столбец «%2»)").arg(text, column));
}

int64_t roundToInteger(double value, const QString& column)
{
    // Half to even, as OLE converts doubles to integers.
    const double rounded = std::nearbyint(value);
    if (!std::isfinite(rounded) || rounded >= int64Limit || rounded < -int64Limit)
        throw notAnInteger(generalNumber(value), column);
    return int64_t(rounded);
}

// Numbers are typed with '.' or, as a Russian keyboard habit, with ','.
std::optional<double> parseDouble(const QString& text)
{
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool ok = false;
    const double d = t.toDouble(&ok);
    if (!ok || !std::isfinite(d))
        return std::nullopt;
    return d;
}

} // namespace

Field::Field(Dataset& dataset, FieldDef def, int index) : m_dataset(dataset), m_def(std::move(def)), m_index(index) {}

QString Field::displayName() const { return m_def.displayLabel.isEmpty() ? name() : m_def.displayLabel; }

FieldValue Field::value() const { return m_dataset.currentValue(m_index); }

bool Field::isNull() const { return db::isNull(m_dataset.currentValue(m_index)); }

QString Field::asString() const
{
    const FieldValue& v = m_dataset.currentValue(m_index);
    if (const auto* i = std::get_if<int64_t>(&v))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&v))
        return generalNumber(*d);
    if (const auto* s = std::get_if<QString>(&v))
        return *s;
    return QString();
}

int64_t Field::asInteger() const
{
    const FieldValue& v = m_dataset.currentValue(m_index);
    if (const auto* i = std::get_if<int64_t>(&v))
        return *i;
    if (const auto* d = std::get_if<double>(&v))
        return roundToInteger(*d, displayName());
    if (const auto* s = std::get_if<QString>(&v)) {
        bool ok = false;
        const qlonglong n = s->trimmed().toLongLong(&ok);
        if (!ok)
            throw notAnInteger(*s, displayName());
        return n;
    }
    return 0;
}

double Field::asFloat() const
{
    const FieldValue& v = m_dataset.currentValue(m_index);
    if (const auto* i = std::get_if<int64_t>(&v))
        return double(*i);
    if (const auto* d = std::get_if<double>(&v))
        return *d;
    if (const auto* s = std::get_if<QString>(&v)) {
        const auto d = parseDouble(*s);
        if (!d)
            throw notANumber(*s, displayName());
        return *d;
    }
    return 0.0;
}

QString Field::displayText() const { return format(m_dataset.currentValue(m_index)); }

QString Field::format(const FieldValue& value) const
{
    if (const auto* i = std::get_if<int64_t>(&value))
        return QString::number(*i);
    if (const auto* d = std::get_if<double>(&value))
        return m_def.displayFormat.isEmpty() ? generalNumber(*d) : formatNumber(*d, m_def.displayFormat);
    if (const auto* s = std::get_if<QString>(&value))
        return m_def.shownAs ? m_def.shownAs(*s) : *s;
    return QString();
}

void Field::setValue(const FieldValue& value)
{
    m_dataset.checkEditing();
    if (m_def.type == FieldType::AutoInc || m_def.readOnly)
        throw DbError(QStringLiteral("Field '%1' cannot be modified").arg(name()));
    FieldValue converted;
    if (!db::isNull(value)) {
        switch (m_def.type) {
        case FieldType::AutoInc:
        case FieldType::Integer:
            if (const auto* d = std::get_if<double>(&value))
                converted = roundToInteger(*d, displayName());
            else if (const auto* s = std::get_if<QString>(&value)) {
                if (s->trimmed().isEmpty())
                    break;
                bool ok = false;
                const qlonglong n = s->trimmed().toLongLong(&ok);
                if (!ok)
                    throw notAnInteger(*s, displayName());
                converted = int64_t(n);
            } else
                converted = value;
            break;
        case FieldType::Double:
            if (const auto* i = std::get_if<int64_t>(&value))
                converted = double(*i);
            else if (const auto* s = std::get_if<QString>(&value)) {
                if (s->trimmed().isEmpty())
                    break;
                const auto d = parseDouble(*s);
                if (!d)
                    throw notANumber(*s, displayName());
                converted = *d;
            } else {
                // SQLite would store NaN as Null and an infinity as a value no
                // one can type: neither is a length or a diameter.
                const double d = std::get<double>(value);
                if (!std::isfinite(d))
                    throw notANumber(generalNumber(d), displayName());
                converted = d;
            }
            break;
        case FieldType::Text:
            if (const auto* i = std::get_if<int64_t>(&value))
                converted = QString::number(*i);
            else if (const auto* d = std::get_if<double>(&value))
                converted = generalNumber(*d);
            else
                converted = value;
            break;
        }
    }
    m_dataset.setCurrentValue(m_index, std::move(converted));
}

void Field::setNull() { setValue(FieldValue{}); }

void Field::setAsString(const QString& text) { setValue(FieldValue{text}); }

void Field::setAsInteger(int64_t value) { setValue(FieldValue{value}); }

void Field::setAsFloat(double value) { setValue(FieldValue{value}); }

} // namespace db
