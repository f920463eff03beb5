#pragma once

#include "app/ProcessWide.h"
#include "platform/automation/BusyServer.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/sheet/StandIn.h"

#include <memory>

namespace automation::com {
class Apartment;
class MessageFilter;
}

struct PlatformOptions {
    // The spreadsheet stand-in: the spreadsheet where COM is absent, and on
    // Windows the workbook writer where no spreadsheet application is installed.
    sheet::StandInOptions spreadsheet;
};

// The outside programs' doorways for the life of the process: on Windows the
// GUI thread's COM apartment and the COM lookup of running programs and
// classes (the real CAD and spreadsheet applications), with the spreadsheet
// stand-in for a machine that has no spreadsheet application; elsewhere the
// lookup of running programs through local sockets and the in-process
// spreadsheet stand-in. Each goes again with the services, in the reverse
// order.
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
    automation::Registration m_spreadsheet;
};
