#include "XlsxReader.h"

#include <QFile>
#include <QXmlStreamReader>

#include <zip.h>

#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace sheettest {

namespace {

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
    int error = 0;
    // Read-only: the archive is let go with zip_discard, which writes nothing.
    const std::unique_ptr<zip_t, decltype(&zip_discard)> archive(
        zip_open(QFile::encodeName(path).constData(), ZIP_RDONLY, &error), &zip_discard);
    if (!archive)
        throw std::runtime_error("zip: cannot open " + path.toStdString() + " (libzip error " + std::to_string(error)
                                 + ")");

    std::map<QString, QByteArray> entries;
    const zip_int64_t count = zip_get_num_entries(archive.get(), 0);
    for (zip_int64_t i = 0; i < count; ++i) {
        zip_stat_t stat;
        if (zip_stat_index(archive.get(), zip_uint64_t(i), 0, &stat) != 0)
            throw std::runtime_error("zip: cannot read entry " + std::to_string(i));
        const std::unique_ptr<zip_file_t, decltype(&zip_fclose)> entry(
            zip_fopen_index(archive.get(), zip_uint64_t(i), 0), &zip_fclose);
        if (!entry)
            throw std::runtime_error(std::string("zip: cannot open entry ") + stat.name);
        QByteArray content(qsizetype(stat.size), Qt::Uninitialized);
        if (zip_fread(entry.get(), content.data(), stat.size) != zip_int64_t(stat.size))
            throw std::runtime_error(std::string("zip: cannot read entry ") + stat.name);
        entries[QString::fromUtf8(stat.name)] = content;
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
