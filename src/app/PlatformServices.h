#pragma once

#include "platform/automation/ObjectRegistry.h"

#include <memory>

namespace app {

// The outside programs' doorways for the life of the process: on Windows the
// COM apartment of the GUI thread; elsewhere the lookup of running programs
// through local sockets and the in-process spreadsheet stand-in.
class PlatformServices {
public:
    PlatformServices();
    ~PlatformServices();
    PlatformServices(const PlatformServices&) = delete;
    PlatformServices& operator=(const PlatformServices&) = delete;

private:
    automation::Registration m_spreadsheet;
};

} // namespace app
