#include "platform/automation/remote/ByteChannel.h"

#include <algorithm>
#include <climits>

namespace automation::remote {

int pollTimeout(ByteChannel::Clock::time_point deadline)
{
    using Clock = ByteChannel::Clock;
    if (deadline == ByteChannel::noDeadline)
        return -1;
    const auto left = deadline - Clock::now();
    if (left <= Clock::duration::zero())
        return 0;
    const auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return static_cast<int>(std::min<int64_t>(ms, INT_MAX));
}

} // namespace automation::remote
