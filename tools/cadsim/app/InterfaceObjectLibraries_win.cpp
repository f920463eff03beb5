#include "cadsim/app/InterfaceObjectLibraries.h"

#include "platform/automation/com/ComObjects.h"

namespace cadsim {

InterfaceObjectSource interfaceObjectLibraries(const CadProfile&, const QString&)
{
    return [](const std::u16string& progId) -> std::optional<InterfaceObjectLibrary> {
        std::u16string path = automation::com::inProcessServerPath(progId);
        if (path.empty())
            return std::nullopt;
        return InterfaceObjectLibrary{std::move(path),
                                      [progId] { return automation::com::createInProcessObject(progId); }};
    };
}

} // namespace cadsim
