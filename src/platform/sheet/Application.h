#pragma once

#include "platform/automation/MemberTable.h"
#include "platform/sheet/StandIn.h"

#include <memory>

namespace sheet {

// The spreadsheet application behind every object of the stand-in. Nothing
// holds it but its workbooks and the client, so it ends with the last of them.
class Application final : public automation::TableObject, public std::enable_shared_from_this<Application> {
public:
    explicit Application(std::shared_ptr<const StandInOptions> options);

    // A workbook left in a visible application stays with the user; one in an
    // invisible application goes when the application does.
    bool isVisible() const { return m_visible; }
    const StandInOptions& options() const { return *m_options; }

private:
    static const automation::MemberTable& members();

    std::shared_ptr<const StandInOptions> m_options;
    bool m_visible = false;
};

// The collection of open workbooks; Add makes a new, empty one.
class Workbooks final : public automation::TableObject {
public:
    explicit Workbooks(std::shared_ptr<Application> application);

private:
    static const automation::MemberTable& members();

    std::shared_ptr<Application> m_application;
};

} // namespace sheet
