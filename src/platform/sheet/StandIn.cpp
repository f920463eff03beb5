#include "platform/sheet/StandIn.h"

#include "platform/sheet/Application.h"
#include "platform/sheet/Workbook.h"

namespace sheet {

automation::DispatchRef createStandIn(StandInOptions options)
{
    // The ProgID makes a workbook of a new application; that workbook is the
    // client's way in and is dropped with its last reference.
    auto application = std::make_shared<Application>(
        std::make_shared<const StandInOptions>(std::move(options)));
    return std::make_shared<Workbook>(std::move(application), Workbook::Origin::Created);
}

namespace {

automation::ClassFactory factoryOf(StandInOptions options)
{
    auto shared = std::make_shared<const StandInOptions>(std::move(options));
    return [shared] { return createStandIn(*shared); };
}

} // namespace

automation::Registration registerStandIn(StandInOptions options)
{
    return automation::registerClass(ProgId, factoryOf(std::move(options)));
}

automation::Registration registerStandInAsFallback(StandInOptions options)
{
    return automation::registerFallbackClass(ProgId, factoryOf(std::move(options)));
}

} // namespace sheet
