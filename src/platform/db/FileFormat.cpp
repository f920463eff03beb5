#include "platform/db/FileFormat.h"

#include <QFile>

namespace db {

namespace {

constexpr char sqliteMagic[] = "SQLite format 3"; // followed by a zero byte in the file

// An Access file begins with a page-type word 00 01 00 00, then the engine's
// name padded to sixteen bytes.
constexpr char accessPageStart[] = {0x00, 0x01, 0x00, 0x00};
constexpr char jetName[] = "Standard Jet DB";
constexpr char aceName[] = "Standard ACE DB";

constexpr qsizetype headerLength = 32;

bool holdsAt(const QByteArray& bytes, qsizetype offset, const char* text, qsizetype length)
{
    return bytes.size() >= offset + length && bytes.mid(offset, length) == QByteArray::fromRawData(text, length);
}

} // namespace

FileFormat fileFormatOf(const QByteArray& leadingBytes)
{
    if (holdsAt(leadingBytes, 0, sqliteMagic, sizeof sqliteMagic)) // the zero byte included
        return FileFormat::Sqlite;
    if (holdsAt(leadingBytes, 0, accessPageStart, sizeof accessPageStart)) {
        if (holdsAt(leadingBytes, 4, jetName, sizeof jetName - 1))
            return FileFormat::AccessJet;
        if (holdsAt(leadingBytes, 4, aceName, sizeof aceName - 1))
            return FileFormat::AccessAce;
    }
    return FileFormat::Other;
}

FileFormat readFileFormat(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return FileFormat::Other;
    return fileFormatOf(file.read(headerLength));
}

} // namespace db
