#include "cadsim/app/ServerRegistration.h"

#include <cstdio>

namespace cadsim {

std::optional<int> runRegistrationSwitch(const QStringList& arguments)
{
    if (arguments.size() < 2
        || (arguments[1].compare(QStringLiteral("/regserver"), Qt::CaseInsensitive) != 0
            && arguments[1].compare(QStringLiteral("/unregserver"), Qt::CaseInsensitive) != 0))
        return std::nullopt;
    std::fputs("cadsim: nothing to register on this system: the simulator announces itself in the user's "
               "runtime folder while it runs\n",
               stdout);
    return 0;
}

std::vector<std::u16string> progIdsToPublish(const std::vector<std::u16string>& answering) { return answering; }

} // namespace cadsim
