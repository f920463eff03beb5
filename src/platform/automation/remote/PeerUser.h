#pragma once

#include <optional>
#include <sys/types.h>

namespace automation::remote {

// The user of the process at the other end of a connected local socket, as
// the kernel recorded it when the connection was made (or, for the listening
// side, when it began to listen); nothing when the system will not tell.
std::optional<uid_t> peerUserOf(int fd);

// True when the peer runs as this process's effective user. A socket in a
// private folder can still be reached by the superuser or through a folder
// that was not checked; neither end talks to another user's process: it
// could name folders to write into, hold a client in a wait, or feed it rows.
bool isOwnUsersPeer(int fd);

} // namespace automation::remote
