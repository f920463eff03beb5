#include "platform/automation/remote/PeerUser.h"

#include <sys/socket.h>
#include <unistd.h>

namespace automation::remote {

std::optional<uid_t> peerUserOf(int fd)
{
#ifdef SO_PEERCRED
    ucred credentials{};
    socklen_t length = sizeof credentials;
    if (::getsockopt(fd, SOL_SOCKET, SO_PEERCRED, &credentials, &length) != 0 || length != sizeof credentials)
        return std::nullopt;
    return credentials.uid;
#else
    // The BSDs and macOS keep the same record behind getpeereid().
    uid_t user = 0;
    gid_t group = 0;
    if (::getpeereid(fd, &user, &group) != 0)
        return std::nullopt;
    return user;
#endif
}

bool isOwnUsersPeer(int fd)
{
    const std::optional<uid_t> peer = peerUserOf(fd);
    return peer && *peer == ::geteuid();
}

} // namespace automation::remote
