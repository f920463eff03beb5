#pragma once

#include <string>
#include <string_view>
#include <sys/types.h>

namespace automation::remote {

// Where running objects register. The user's runtime folder ($XDG_RUNTIME_DIR)
// when it is a private folder of the user, or else a folder of our own under
// /tmp that only the user may enter; a runtime folder that is refused is said
// once on standard error. Empty when no safe folder can be had (a /tmp entry
// of that name that belongs to someone else, or is no folder).
std::string runtimeFolder();

// True when `path` names a folder (not a symbolic link to one, not another
// file) that belongs to `user` and that neither its group nor anybody else
// may enter, read or write: nobody else can put a socket there, nor remove or
// replace ours.
bool isPrivateFolderOf(const std::string& path, uid_t user);

// Whether the folder named by XDG_RUNTIME_DIR (null when unset) may hold the
// sockets of `user`: an absolute name of a private folder of that user.
bool isUsableRuntimeFolder(const char* xdgRuntimeDir, uid_t user);

// The socket file's name for a ProgID: "vedoris-automation-" and the ProgID in
// lower case, since ProgIDs are compared without regard to case. Characters a
// file name should not carry become "_".
std::string socketNameFor(std::u16string_view progId);

// runtimeFolder() + "/" + socketNameFor(progId); empty without a folder.
std::string socketPathFor(std::u16string_view progId);

} // namespace automation::remote
