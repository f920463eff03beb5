#include "app/PlatformServices.h"

#include "platform/messages/Progress.h"

#ifdef _WIN32
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/MessageFilter.h"
#include "platform/automation/com/ComObjects.h"
#else
#include "platform/automation/remote/ClientBackend.h"
#endif

PlatformServices::PlatformServices([[maybe_unused]] const PlatformOptions& options)
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
#else
    automation::remote::installClientBackend();
    m_spreadsheet = sheet::registerStandIn(options.spreadsheet);
#endif
}

PlatformServices::~PlatformServices()
{
#ifndef _WIN32
    m_spreadsheet.revoke();
#endif
    // Proxies of the backend must go before the apartment they live in.
    automation::setObjectBackend(nullptr);
#ifdef _WIN32
    m_messageFilter.reset();
#endif
    automation::setBusyWait(std::move(m_busyWait));
}
