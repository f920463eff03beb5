#include "platform/os/Sleep.h"

#include <cerrno>
#include <ctime>

namespace os {

void sleepMilliseconds(int milliseconds)
{
    if (milliseconds <= 0)
        return;
    timespec rest{milliseconds / 1000, static_cast<long>(milliseconds % 1000) * 1000000L};
    // A signal cuts nanosleep short; sleep out the remainder.
    while (::nanosleep(&rest, &rest) != 0 && errno == EINTR) {
    }
}

} // namespace os
