#pragma once

#include "platform/sheet/Cells.h"

#include <QByteArray>
#include <QString>

#include <map>

// Reads back what the spreadsheet stand-in wrote: a small reader of .xlsx
// files (a zip of XML parts), enough to see each cell's kind and value and the
// number format it is shown with.
namespace sheettest {

struct FileCell {
    enum class Kind { Text, Number, Boolean };
    Kind kind = Kind::Text;
    QString text;
    double number = 0.0;
    // True when the cell is shown through the whole-number format "0".
    bool wholeNumberFormat = false;
};

struct XlsxContents {
    QString sheetName;
    std::map<sheet::CellAddress, FileCell> cells;
};

// The entries of a zip archive by name; std::runtime_error when the file is no zip.
std::map<QString, QByteArray> readZip(const QString& path);

// std::runtime_error when the file cannot be read as a workbook.
XlsxContents readXlsx(const QString& path);

} // namespace sheettest
