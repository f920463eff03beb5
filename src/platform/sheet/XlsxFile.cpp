#include "platform/sheet/XlsxFile.h"

#include <QDir>
#include <QFile>
#include <QTemporaryFile>

#include <xlsxwriter.h>


namespace sheet {

namespace {

QString errorText(lxw_error error) { return QString::fromUtf8(lxw_strerror(error)); }

void check(lxw_error error)
{
    if (error != LXW_NO_ERROR)
        throw SaveError(errorText(error));
}

void writeCell(lxw_worksheet* sheet, const CellAddress& at, const automation::Variant& value,
               lxw_format* wholeNumber)
{
    // libxlsxwriter counts rows and columns from 0.
    const lxw_row_t row = static_cast<lxw_row_t>(at.row - 1);
    const lxw_col_t column = static_cast<lxw_col_t>(at.column - 1);
    switch (value.type()) {
    case automation::VarType::BStr: {
        const QByteArray text = QString::fromStdU16String(value.toBStr()).toUtf8();
        check(worksheet_write_string(sheet, row, column, text.constData(), nullptr));
        break;
    }
    case automation::VarType::I2:
    case automation::VarType::I4:
    case automation::VarType::I8:
        check(worksheet_write_number(sheet, row, column, static_cast<double>(value.toI8()),
                                     wholeNumber));
        break;
    case automation::VarType::R8:
        check(worksheet_write_number(sheet, row, column, value.toR8(), nullptr));
        break;
    case automation::VarType::Bool:
        check(worksheet_write_boolean(sheet, row, column, value.toBool() ? 1 : 0, nullptr));
        break;
    default: break; // a cell map holds nothing else
    }
}

} // namespace

void writeXlsx(const QString& path, const CellMap& cells, const QString& tempFolder)
{
    const QByteArray fileName = QFile::encodeName(path);
    QByteArray tmpdir = QFile::encodeName(tempFolder);
    lxw_workbook_options options{};
    options.constant_memory = LXW_FALSE;
    options.tmpdir = tempFolder.isEmpty() ? nullptr : tmpdir.data();
    options.use_zip64 = LXW_FALSE;

    lxw_workbook* book = workbook_new_opt(fileName.constData(), &options);
    if (!book)
        throw SaveError(QStringLiteral("Out of memory"));

    // workbook_close both writes the file and frees the workbook, so it runs
    // on every path; a failed workbook leaves no file behind.
    try {
        const QByteArray sheetName = QString::fromStdU16String(std::u16string(SheetName)).toUtf8();
        lxw_worksheet* sheet = workbook_add_worksheet(book, sheetName.constData());
        lxw_format* wholeNumber = workbook_add_format(book);
        if (!sheet || !wholeNumber)
            throw SaveError(QStringLiteral("Out of memory"));
        format_set_num_format_index(wholeNumber, 1); // built-in format "0"
        for (const auto& [at, value] : cells)
            writeCell(sheet, at, value, wholeNumber);
    } catch (...) {
        // No half-written workbook is left behind, whatever stopped the writing.
        workbook_close(book);
        QFile::remove(path);
        throw;
    }

    const lxw_error error = workbook_close(book);
    if (error != LXW_NO_ERROR) {
        QFile::remove(path);
        throw SaveError(errorText(error));
    }
}

QString reserveWorkbookFile(const QString& folder)
{
    QTemporaryFile file(QDir(folder).filePath(QStringLiteral("vedoris-XXXXXX.xlsx")));
    file.setAutoRemove(false);
    if (!file.open())
        throw SaveError(file.errorString());
    return file.fileName();
}

} // namespace sheet
