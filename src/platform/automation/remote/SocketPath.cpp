#include "platform/automation/remote/SocketPath.h"

#include <cerrno>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace automation::remote {

namespace {

bool isOwnPrivateFolder(const std::string& path)
{
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0 || !S_ISDIR(st.st_mode) || st.st_uid != ::geteuid())
        return false;
    if ((st.st_mode & 077) != 0 && ::chmod(path.c_str(), 0700) != 0)
        return false;
    return true;
}

} // namespace

std::string runtimeFolder()
{
    if (const char* xdg = std::getenv("XDG_RUNTIME_DIR"); xdg && xdg[0] == '/') {
        struct stat st {};
        if (::stat(xdg, &st) == 0 && S_ISDIR(st.st_mode))
            return xdg;
    }
    // lstat after mkdir: a symbolic link or a folder planted by another user
    // under the predictable name is refused rather than used.
    const std::string own = "/tmp/vedoris-runtime-" + std::to_string(::geteuid());
    if (::mkdir(own.c_str(), 0700) != 0 && errno != EEXIST)
        return {};
    return isOwnPrivateFolder(own) ? own : std::string();
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
