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
// Windows: its owner or DACL is missing (everybody may do anything), or its
// owner or an entry of its DACL that allows writing is anyone but SYSTEM,
// Administrators, TrustedInstaller and, unless this process is elevated, this
// user. An elevated process trusts no folder that the user's unelevated
// programs may write: what it names is loaded by an elevated CAD.
bool othersMayWrite(const QString& folder);

} // namespace os
