#pragma once

#include <QString>
#include <QStringList>

#include <optional>
#include <utility>
#include <vector>

namespace db {

// The provider that the program names in its connection string. It selects
// the embedded SQLite engine; any other provider is refused.
inline constexpr char16_t jetProvider[] = u"Microsoft.Jet.OLEDB.4.0";

// An OLE DB connection string: "Key=Value;Key=Value". Keys are matched
// without regard to case or surrounding blanks; a value may be quoted with
// " or ' (a doubled quote stands for itself), which lets it hold a ';'.
// A key given twice keeps its last value, as OLE DB does.
class ConnectionString {
public:
    explicit ConnectionString(const QString& text);

    std::optional<QString> value(const QString& key) const;
    QString provider() const { return value(QStringLiteral("Provider")).value_or(QString()); }
    QString dataSource() const { return value(QStringLiteral("Data Source")).value_or(QString()); }

private:
    std::vector<std::pair<QString, QString>> m_pairs;
};

} // namespace db
