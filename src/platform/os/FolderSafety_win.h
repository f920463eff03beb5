#pragma once

#include <windows.h>

namespace os {

// Whether an access list lets Everyone, Authenticated Users or Users add,
// replace or remove files, or take those rights; a missing list (null) lets
// everybody do anything. What othersMayWrite() asks of a folder's DACL.
bool grantsOthersWrite(const ACL* dacl);

} // namespace os
