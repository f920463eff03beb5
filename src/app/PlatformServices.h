#pragma once

#include "app/ProcessWide.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/ObjectRegistry.h"

#ifndef _WIN32
#include "platform/sheet/StandIn.h"
#endif

#include <memory>

namespace automation::com {
class Apartment;
class MessageFilter;
}

struct PlatformOptions {
#ifndef _WIN32
    // The spreadsheet stand-in (Windows has the real spreadsheet application).
    sheet::StandInOptions spreadsheet;
#endif
};

// The outside programs' doorways for the life of the process: on Windows the
// GUI thread's COM apartment and the COM lookup of running programs and
// classes (the real CAD and spreadsheet applications); elsewhere the lookup
// of running programs through local sockets and the in-process spreadsheet
// stand-in. Each goes again with the services, in the reverse order.
class PlatformServices {
public:
    explicit PlatformServices(const PlatformOptions& options = {});
    ~PlatformServices();
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

private:
    Installed<automation::BusyWait> m_busyWait;
#ifdef _WIN32
    std::unique_ptr<automation::com::Apartment> m_apartment;
    // Retries the calls a busy CAD or spreadsheet application refuses.
    std::unique_ptr<automation::com::MessageFilter> m_messageFilter;
#endif
    // Its proxies go before the apartment they live in.
    Installed<std::unique_ptr<automation::ObjectBackend>> m_backend;
#ifndef _WIN32
    automation::Registration m_spreadsheet;
#endif
};
