#include "platform/sheet/Application.h"

#include "platform/sheet/SheetError.h"
#include "platform/sheet/Workbook.h"

namespace sheet {

using automation::Args;
using automation::Variant;

Application::Application(std::shared_ptr<const StandInOptions> options)
    : TableObject(members()), m_options(std::move(options))
{
}

const automation::MemberTable& Application::members()
{
    static const automation::Members<Application> table =
        automation::Members<Application>()
            .property(u"Application", [](Application& a) { return Variant::dispatch(a.shared_from_this()); })
            .property(
                u"Visible", [](Application& a) { return Variant::boolean(a.m_visible); },
                [](Application& a, const Variant& value) { a.m_visible = value.toBool(); })
            .property(u"Workbooks",
                      [](Application& a) { return Variant::dispatch(std::make_shared<Workbooks>(a.shared_from_this())); });
    return table;
}

Workbooks::Workbooks(std::shared_ptr<Application> application)
    : TableObject(members()), m_application(std::move(application))
{
}

const automation::MemberTable& Workbooks::members()
{
    static const automation::Members<Workbooks> table =
        automation::Members<Workbooks>()
            .property(u"Application", [](Workbooks& w) { return Variant::dispatch(w.m_application); })
            // Add([Template]): only a new workbook from the default template is
            // supported; an omitted argument is how a client leaves the template out.
            .method(u"Add", 0, 1, [](Workbooks& w, Args args) {
                if (args.size() == 1) {
                    const Variant& templ = args[0].value();
                    if (!templ.isOmitted() && !templ.isEmpty())
                        refuse(u"Workbook templates are not available in this spreadsheet");
                }
                return Variant::dispatch(std::make_shared<Workbook>(w.m_application, Workbook::Origin::Added));
            });
    return table;
}

} // namespace sheet
