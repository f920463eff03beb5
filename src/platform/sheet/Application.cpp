#include "platform/sheet/Application.h"

#include "platform/sheet/Members.h"
#include "platform/sheet/Workbook.h"

namespace sheet {

using automation::Args;
using automation::InvokeKind;
using automation::Variant;

Application::Application(std::shared_ptr<const StandInOptions> options)
    : m_options(std::move(options))
{
    define(u"Application", [this](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::dispatch(shared_from_this());
    });
    define(u"Visible", [this](InvokeKind kind, Args args) {
        if (kind == InvokeKind::PropertyPut) {
            members::expectCount(args, 1);
            m_visible = args[0].value().toBool();
            return Variant();
        }
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::boolean(m_visible);
    });
    define(u"Workbooks", [this](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::dispatch(std::make_shared<Workbooks>(shared_from_this()));
    });
}

Workbooks::Workbooks(std::shared_ptr<Application> application)
    : m_application(std::move(application))
{
    define(u"Application", [this](InvokeKind kind, Args args) {
        members::expectGet(kind);
        members::expectCount(args, 0);
        return Variant::dispatch(m_application);
    });
    // Add([Template]): only a new workbook from the default template is
    // supported; an omitted argument is how a client leaves the template out.
    define(u"Add", [this](InvokeKind kind, Args args) {
        members::expectCall(kind);
        if (args.size() > 1)
            throw automation::AutomationError(automation::hr::Disp_E_BadParamCount, {});
        if (args.size() == 1) {
            const Variant& templ = args[0].value();
            if (!templ.isOmitted() && !templ.isEmpty())
                members::refuse(u"Workbook templates are not available in this spreadsheet");
        }
        return Variant::dispatch(std::make_shared<Workbook>(m_application, Workbook::Origin::Added));
    });
}

} // namespace sheet
