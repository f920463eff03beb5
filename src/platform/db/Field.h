#pragma once

#include <QString>
#include <QVariant>

#include <cstdint>
#include <functional>
#include <optional>
#include <variant>

namespace db {

class Dataset;

// The column types the program binds fields to.
enum class FieldType {
    AutoInc,   // INTEGER PRIMARY KEY AUTOINCREMENT: the row key, read-only
    Integer,   // 64-bit integer column
    Double,    // REAL column
    Text,      // TEXT column
};

// A field value: Null kept apart from the empty string and from zero.
using FieldValue = std::variant<std::monostate, int64_t, double, QString>;

inline bool isNull(const FieldValue& v) { return std::holds_alternative<std::monostate>(v); }

// How a persistent field is declared: name, type and its presentation.
struct FieldDef {
    QString name;
    FieldType type = FieldType::Text;
    QString displayLabel;  // grid title; empty means the field name
    int displayWidth = 10; // in characters
    QString displayFormat; // "0": rounded to a whole number for display only
    bool visible = true;
    bool readOnly = false;
    // Whether the controls let the user type into it; the program may write
    // a field the user may not (unlike readOnly, which holds for both).
    bool editable = true;
    int size = 0;          // text length for display; values are never cut
    // How a text is shown, for display only (a path by its file name, say);
    // empty: as it is stored.
    std::function<QString(const QString&)> shownAs = {};
};

// A persistent field of a dataset, bound by name to a column on open. It
// reads and writes the dataset's current row.
class Field {
public:
    Field(Dataset& dataset, FieldDef def, int index);

    const FieldDef& def() const { return m_def; }
    const QString& name() const { return m_def.name; }
    // The column as the user sees it in messages: its display label, or its
    // name when it has none.
    QString displayName() const;
    FieldType type() const { return m_def.type; }
    int index() const { return m_index; }
    Dataset& dataset() const { return m_dataset; }

    // The current row's value. A closed dataset or a dataset without rows is a DbError.
    FieldValue value() const;
    bool isNull() const;
    QString asString() const;  // Null as the empty string
    int64_t asInteger() const; // Null as 0; a double rounded half to even
    double asFloat() const;    // Null as 0.0
    // Display text through the display format; Null as the empty string.
    QString displayText() const;

    // Writing needs the dataset in edit or insert state (DbError otherwise)
    // and converts to the field's type: a text that is no number is a DbError
    // naming the value and the column as the user sees it.
    void setValue(const FieldValue& value);
    void setNull();
    void setAsString(const QString& text); // empty text sets Null for numbers
    void setAsInteger(int64_t value);
    void setAsFloat(double value);

    // Formats a value the way this field displays it.
    QString format(const FieldValue& value) const;

private:
    friend class Dataset;
    Dataset& m_dataset;
    FieldDef m_def;
    int m_index;
};

} // namespace db
