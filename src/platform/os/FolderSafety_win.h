#pragma once

#include <windows.h>

namespace os {

// Whether a folder with this owner and access list lets anyone but the
// system's own accounts (SYSTEM, Administrators, TrustedInstaller) and
// `user` add, replace or remove its files, or give himself that right. A
// missing owner or list (null: nobody can tell, or everybody may do
// anything) counts as others writing. `user` is null for an elevated
// process: code that such a process has loaded must not be replaceable by
// the user's unelevated programs, so only the system's own accounts may
// write there. What othersMayWrite() asks of a folder's descriptor.
bool grantsOthersWrite(PSID owner, const ACL* dacl, PSID user);

// Whether this process runs elevated ("as administrator", or as an
// administrator where UAC is off). True when that cannot be told.
bool processIsElevated();

} // namespace os
