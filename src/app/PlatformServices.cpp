#include "app/PlatformServices.h"

#include "platform/messages/Progress.h"

#ifdef _WIN32
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/MessageFilter.h"
#include "platform/automation/com/ComObjects.h"
#else
#include "platform/automation/remote/ClientBackend.h"
#endif

namespace app {

PlatformServices::PlatformServices(const PlatformOptions& options)
    // A call a busy CAD or spreadsheet refuses is tried again while the
    // command's progress window stays drawn and, after a while, says why.
    : m_busyWait(automation::setBusyWait([](std::chrono::milliseconds refused, std::chrono::milliseconds pause) {
          progress::busyPause(refused.count(), int(pause.count()));
      }))
{
#ifdef _WIN32
    m_apartment = std::make_unique<automation::com::Apartment>();
    m_messageFilter = std::make_unique<automation::com::MessageFilter>();
    automation::setObjectBackend(automation::com::makeObjectBackend());
    // A designer's PC without the spreadsheet application still exports:
    // the built-in writer takes over only where "Excel.Sheet" is unknown.
    m_spreadsheet = sheet::registerStandInAsFallback(options.spreadsheet);
#else
    automation::remote::installClientBackend();
    m_spreadsheet = sheet::registerStandIn(options.spreadsheet);
#endif
}

PlatformServices::~PlatformServices()
{
    m_spreadsheet.revoke();
    // Proxies of the backend must go before the apartment they live in.
    automation::setObjectBackend(nullptr);
#ifdef _WIN32
    m_messageFilter.reset();
#endif
    automation::setBusyWait(std::move(m_busyWait));
}

} // namespace app
