#pragma once

#include "platform/sheet/Cells.h"

#include <QString>

#include <stdexcept>

namespace sheet {

class SaveError : public std::runtime_error {
public:
    explicit SaveError(const QString& reason)
        : std::runtime_error(reason.toStdString()), m_reason(reason)
    {
    }
    const QString& reason() const { return m_reason; }

private:
    QString m_reason;
};

// Writes the cells as a one-sheet .xlsx workbook at path. Strings stay text,
// integers are numbers shown without decimals, doubles are numbers in the
// general format, Booleans are Booleans. Temporary files go to tempFolder.
// SaveError on failure; a partly written file is removed.
void writeXlsx(const QString& path, const CellMap& cells, const QString& tempFolder);

// Makes a new, empty file with a unique name of the form vedoris-XXXXXX.xlsx
// in folder and returns its path; SaveError when the folder cannot take it.
QString reserveWorkbookFile(const QString& folder);

} // namespace sheet
