#include "platform/automation/remote/SocketPath.h"

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace automation::remote {

namespace {

// Our own folder under /tmp, taken back to mode 0700 should it have lost it.
bool isOwnPrivateFolder(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

// The fallback under /tmp, made when it is missing. lstat after mkdir: a
// symbolic link or a folder planted by another user under the predictable
// name is refused rather than used.
std::string ownTmpFolder()
{
    const std::string own = "/tmp/vedoris-runtime-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return isOwnPrivateFolder(own) ? own : std::string();
}

} // namespace

bool isPrivateFolderOf(const std::string& path, uid_t user)
{
    struct stat st {};
    return ::lstat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode) && st.st_uid == user && (st.st_mode & 077) == 0;
}

bool isUsableRuntimeFolder(const char* xdgRuntimeDir, uid_t user)
{
    // A folder that others may write into would let them bind the ProgID's
    // socket before us, or in our place; one named relatively would move with
    // the working folder. Such a folder is not changed, only left alone.
    return xdgRuntimeDir && xdgRuntimeDir[0] == '/' && isPrivateFolderOf(xdgRuntimeDir, user);
}

std::string runtimeFolder()
{
    const char* xdg = std::getenv("XDG_RUNTIME_DIR");
    if (isUsableRuntimeFolder(xdg, ::geteuid()))
        return xdg;
    const std::string folder = ownTmpFolder();
    // Unset is ordinary (a service, a remote shell); named but unsafe is worth a word.
    static std::atomic_flag said = ATOMIC_FLAG_INIT;
    if (xdg && xdg[0] != '\0' && !said.test_and_set()) {
        std::fprintf(stderr,
                     "vedoris: XDG_RUNTIME_DIR (%s) is not a folder of this user closed to everybody else; "
                     "using %s instead\n",
                     xdg, folder.empty() ? "no folder" : folder.c_str());
    }
    return folder;
}

std::string socketNameFor(std::u16string_view progId)
{
    std::string name = "vedoris-automation-";
    for (char16_t c : progId) {
        if (c >= u'A' && c <= u'Z')
            name += static_cast<char>(c - u'A' + u'a');
        else if ((c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' || c == u'-')
            name += static_cast<char>(c);
        else
            name += '_';
    }
    return name;
}

std::string socketPathFor(std::u16string_view progId)
{
    const std::string folder = runtimeFolder();
    return folder.empty() ? std::string() : folder + "/" + socketNameFor(progId);
}

} // namespace automation::remote
