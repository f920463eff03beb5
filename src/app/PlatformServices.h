#pragma once

#include "platform/automation/ObjectRegistry.h"

#include <memory>

namespace automation::com {
class Apartment;
}

namespace app {

// The outside programs' doorways for the life of the process: on Windows the
// GUI thread's COM apartment and the COM lookup of running programs and
// classes (the real CAD and spreadsheet applications); elsewhere the lookup
// of running programs through local sockets and the in-process spreadsheet
// stand-in.
class PlatformServices {
public:
    PlatformServices();
    ~PlatformServices();
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

private:
#ifdef _WIN32
    std::unique_ptr<automation::com::Apartment> m_apartment;
#else
    automation::Registration m_spreadsheet;
#endif
};

} // namespace app
