#pragma once

#include <QString>

namespace os {

// True when users other than this one (and the system's own administrator)
// may put or replace files in `folder`, or when that cannot be told (the
// folder is missing or unreadable). A folder of which this holds must not be
// named as a place to load code from without asking.
//
// POSIX: the folder is owned by another user than this one or root, or it is
// writable by its group or by everybody without the sticky bit (with it, as
// in /tmp, others may add files but not replace ours).
// Windows: its DACL is missing (everybody may do anything) or allows writing
// to Everyone, Authenticated Users or Users.
bool othersMayWrite(const QString& folder);

} // namespace os
