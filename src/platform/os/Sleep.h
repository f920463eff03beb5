#pragma once

namespace os {

// Blocks the calling thread; no events are processed meanwhile.
void sleepMilliseconds(int milliseconds);

} // namespace os
