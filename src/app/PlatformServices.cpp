#include "app/PlatformServices.h"

#include "platform/messages/Progress.h"

#ifdef _WIN32
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/MessageFilter.h"
#include "platform/automation/com/ComObjects.h"
#else
#include "platform/automation/remote/ClientBackend.h"
#endif

namespace {

std::unique_ptr<automation::ObjectBackend> platformBackend()
{
#ifdef _WIN32
    return automation::com::makeObjectBackend();
#else
    return std::make_unique<automation::remote::ClientBackend>();
#endif
}

} // namespace

PlatformServices::PlatformServices(const PlatformOptions& options)
    // A call a busy CAD or spreadsheet refuses is tried again while the
    // command's progress window stays drawn and, after a while, says why;
    // its user may stop the command between two tries.
    : m_busyWait(&automation::setBusyWait,
                 [](std::chrono::milliseconds refused, std::chrono::milliseconds pause) {
                     progress::busyPause(refused.count(), int(pause.count()));
                     progress::throwIfCancelled();
                 }),
#ifdef _WIN32
      m_apartment(std::make_unique<automation::com::Apartment>()),
      m_messageFilter(std::make_unique<automation::com::MessageFilter>()),
#endif
      m_backend(&automation::setObjectBackend, platformBackend())
{
#ifdef _WIN32
    // A designer's PC without the spreadsheet application still exports:
    // the built-in writer takes over only where "Excel.Sheet" is unknown.
    m_spreadsheet = sheet::registerStandInAsFallback(options.spreadsheet);
#else
    m_spreadsheet = sheet::registerStandIn(options.spreadsheet);
#endif
}

PlatformServices::~PlatformServices() = default;
