#pragma once

#include "platform/automation/MemberTable.h"
#include "platform/sheet/Cells.h"

#include <memory>

namespace sheet {

class Application;

// A workbook with one worksheet. The object made by the ProgID is a workbook
// of its own that closes with its last reference; a workbook made by
// Workbooks.Add in a visible application is handed to the user instead.
class Workbook final : public automation::TableObject, public std::enable_shared_from_this<Workbook> {
public:
    enum class Origin { Created, Added };

    Workbook(std::shared_ptr<Application> application, Origin origin);
    ~Workbook() override;
    Workbook(const Workbook&) = delete;
    Workbook& operator=(const Workbook&) = delete;

    const CellMap& cells() const { return m_cells; }
    // Puts a value into a cell, with the spreadsheet's checks.
    void setCell(const automation::Variant& row, const automation::Variant& column,
                 const automation::Variant& value);

private:
    static const automation::MemberTable& members();

    std::shared_ptr<Application> m_application;
    Origin m_origin;
    CellMap m_cells;
};

// The workbook's only worksheet, as ActiveSheet returns it. It keeps its
// workbook alive, as a reference to a sheet does.
class Worksheet final : public automation::TableObject {
public:
    explicit Worksheet(std::shared_ptr<Workbook> workbook);

private:
    static const automation::MemberTable& members();

    std::shared_ptr<Workbook> m_workbook;
};

} // namespace sheet
