#include "platform/db/ConnectionString.h"

namespace db {

namespace {

QString normalizedKey(const QString& key) { return key.simplified().toCaseFolded(); }

} // namespace

ConnectionString::ConnectionString(const QString& text)
{
    qsizetype i = 0;
    const qsizetype n = text.size();
    while (i < n) {
        const qsizetype eq = text.indexOf(QLatin1Char('='), i);
        const qsizetype semi = text.indexOf(QLatin1Char(';'), i);
        if (eq < 0 || (semi >= 0 && semi < eq)) {
            // A part without '=' ("Data [Source]" before the rewrite) names nothing.
            if (semi < 0)
                break;
            i = semi + 1;
            continue;
        }
        const QString key = normalizedKey(text.mid(i, eq - i));
        qsizetype j = eq + 1;
        while (j < n && text.at(j).isSpace())
            ++j;
        QString value;
        if (j < n && (text.at(j) == QLatin1Char('"') || text.at(j) == QLatin1Char('\''))) {
            const QChar quote = text.at(j++);
            while (j < n) {
                if (text.at(j) == quote) {
                    if (j + 1 < n && text.at(j + 1) == quote) {
                        value += quote;
                        j += 2;
                        continue;
                    }
                    ++j;
                    break;
                }
                value += text.at(j++);
            }
            const qsizetype end = text.indexOf(QLatin1Char(';'), j);
            i = end < 0 ? n : end + 1;
        } else {
            const qsizetype end = text.indexOf(QLatin1Char(';'), j);
            value = text.mid(j, (end < 0 ? n : end) - j).trimmed();
            i = end < 0 ? n : end + 1;
        }
        if (!key.isEmpty())
            m_pairs.emplace_back(key, value);
    }
}

std::optional<QString> ConnectionString::value(const QString& key) const
{
    const QString wanted = normalizedKey(key);
    for (auto it = m_pairs.rbegin(); it != m_pairs.rend(); ++it) {
        if (it->first == wanted)
            return it->second;
    }
    return std::nullopt;
}

} // namespace db
