#include "app/PlatformServices.h"

#include "platform/automation/remote/ClientBackend.h"
#include "platform/sheet/StandIn.h"

namespace app {

PlatformServices::PlatformServices()
{
    automation::remote::installClientBackend();
    m_spreadsheet = sheet::registerStandIn();
}

PlatformServices::~PlatformServices()
{
    m_spreadsheet.revoke();
    automation::setObjectBackend(nullptr);
}

} // namespace app
