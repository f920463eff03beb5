#include "XlsxReader.h"

#include <QFile>
#include <QXmlStreamReader>

#include <zlib.h>

#include <cstring>
#include <stdexcept>
#include <vector>

namespace sheettest {

namespace {

uint32_t le16(const QByteArray& data, qsizetype at)
{
    if (at + 2 > data.size())
        throw std::runtime_error("zip: truncated");
    const auto* p = reinterpret_cast<const unsigned char*>(data.constData() + at);
    return p[0] | (p[1] << 8);
}

uint32_t le32(const QByteArray& data, qsizetype at)
{
    return le16(data, at) | (le16(data, at + 2) << 16);
}

QByteArray inflateRaw(const QByteArray& compressed, uint32_t size)
{
    QByteArray out(static_cast<qsizetype>(size), Qt::Uninitialized);
    z_stream stream{};
    if (inflateInit2(&stream, -MAX_WBITS) != Z_OK)
        throw std::runtime_error("zip: inflateInit2");
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(compressed.constData()));
    stream.avail_in = static_cast<uInt>(compressed.size());
    stream.next_out = reinterpret_cast<Bytef*>(out.data());
    stream.avail_out = static_cast<uInt>(out.size());
    const int result = inflate(&stream, Z_FINISH);
    inflateEnd(&stream);
    if (result != Z_STREAM_END || stream.total_out != size)
        throw std::runtime_error("zip: bad deflate data");
    return out;
}

// "B12" -> row 12, column 2.
sheet::CellAddress parseReference(const QString& reference)
{
    sheet::CellAddress at{0, 0};
    qsizetype i = 0;
    while (i < reference.size() && reference[i].isLetter())
        at.column = at.column * 26 + (reference[i++].toUpper().unicode() - u'A' + 1);
    at.row = reference.mid(i).toInt();
    if (at.row < 1 || at.column < 1)
        throw std::runtime_error("xlsx: bad cell reference");
    return at;
}

std::vector<QString> sharedStrings(const QByteArray& xml)
{
    std::vector<QString> strings;
    QXmlStreamReader reader(xml);
    QString current;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"si")
            current.clear();
        else if (reader.isStartElement() && reader.name() == u"t")
            current += reader.readElementText();
        else if (reader.isEndElement() && reader.name() == u"si")
            strings.push_back(current);
    }
    return strings;
}

// The number format of each cell style, by the style's index.
std::vector<int> styleFormats(const QByteArray& xml)
{
    std::vector<int> formats;
    QXmlStreamReader reader(xml);
    bool inCellXfs = false;
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"cellXfs")
            inCellXfs = true;
        else if (reader.isEndElement() && reader.name() == u"cellXfs")
            inCellXfs = false;
        else if (inCellXfs && reader.isStartElement() && reader.name() == u"xf")
            formats.push_back(reader.attributes().value(QStringLiteral("numFmtId")).toInt());
    }
    return formats;
}

QString firstSheetName(const QByteArray& xml)
{
    QXmlStreamReader reader(xml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (reader.isStartElement() && reader.name() == u"sheet")
            return reader.attributes().value(QStringLiteral("name")).toString();
    }
    return {};
}

} // namespace

std::map<QString, QByteArray> readZip(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw std::runtime_error("zip: cannot open " + path.toStdString());
    const QByteArray data = file.readAll();

    // The end-of-central-directory record: the last "PK\5\6" of the file.
    const qsizetype end = data.lastIndexOf(QByteArray("PK\x05\x06", 4));
    if (end < 0)
        throw std::runtime_error("zip: no central directory");
    const uint32_t count = le16(data, end + 10);
    qsizetype at = le32(data, end + 16);

    std::map<QString, QByteArray> entries;
    for (uint32_t i = 0; i < count; ++i) {
        if (le32(data, at) != 0x02014b50)
            throw std::runtime_error("zip: bad central directory entry");
        const uint32_t method = le16(data, at + 10);
        const uint32_t compressedSize = le32(data, at + 20);
        const uint32_t size = le32(data, at + 24);
        const uint32_t nameLength = le16(data, at + 28);
        const uint32_t extraLength = le16(data, at + 30);
        const uint32_t commentLength = le16(data, at + 32);
        const uint32_t local = le32(data, at + 42);
        const QString name = QString::fromUtf8(data.mid(at + 46, nameLength));

        if (le32(data, local) != 0x04034b50)
            throw std::runtime_error("zip: bad local header");
        const qsizetype begin = local + 30 + le16(data, local + 26) + le16(data, local + 28);
        const QByteArray stored = data.mid(begin, compressedSize);
        if (method == 0)
            entries[name] = stored;
        else if (method == 8)
            entries[name] = inflateRaw(stored, size);
        else
            throw std::runtime_error("zip: unknown compression method");
        at += 46 + nameLength + extraLength + commentLength;
    }
    return entries;
}

XlsxContents readXlsx(const QString& path)
{
    const std::map<QString, QByteArray> parts = readZip(path);
    auto part = [&](const QString& name) -> QByteArray {
        const auto found = parts.find(name);
        return found == parts.end() ? QByteArray() : found->second;
    };

    const std::vector<QString> strings = sharedStrings(part(QStringLiteral("xl/sharedStrings.xml")));
    const std::vector<int> formats = styleFormats(part(QStringLiteral("xl/styles.xml")));
    const QByteArray sheetXml = part(QStringLiteral("xl/worksheets/sheet1.xml"));
    if (sheetXml.isEmpty())
        throw std::runtime_error("xlsx: no first worksheet");

    XlsxContents contents;
    contents.sheetName = firstSheetName(part(QStringLiteral("xl/workbook.xml")));

    QXmlStreamReader reader(sheetXml);
    while (!reader.atEnd()) {
        reader.readNext();
        if (!reader.isStartElement() || reader.name() != u"c")
            continue;
        const auto attributes = reader.attributes();
        const sheet::CellAddress at = parseReference(attributes.value(QStringLiteral("r")).toString());
        const QString type = attributes.value(QStringLiteral("t")).toString();
        const size_t style = attributes.value(QStringLiteral("s")).toUInt();
        QString value;
        while (reader.readNextStartElement()) {
            if (reader.name() == u"v")
                value = reader.readElementText();
            else
                reader.skipCurrentElement();
        }

        FileCell cell;
        cell.wholeNumberFormat = style < formats.size() && formats[style] == 1;
        if (type == u"s") {
            cell.kind = FileCell::Kind::Text;
            const size_t index = value.toUInt();
            if (index >= strings.size())
                throw std::runtime_error("xlsx: shared string out of range");
            cell.text = strings[index];
        } else if (type == u"b") {
            cell.kind = FileCell::Kind::Boolean;
            cell.number = value.toDouble();
        } else if (type.isEmpty() || type == u"n") {
            cell.kind = FileCell::Kind::Number;
            cell.number = value.toDouble();
        } else {
            throw std::runtime_error("xlsx: unexpected cell type");
        }
        contents.cells[at] = cell;
    }
    if (reader.hasError())
        throw std::runtime_error("xlsx: " + reader.errorString().toStdString());
    return contents;
}

} // namespace sheettest
