#include "platform/os/Sleep.h"

#include <windows.h>

namespace os {

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds > 0)
        ::Sleep(static_cast<DWORD>(milliseconds));
}

} // namespace os
