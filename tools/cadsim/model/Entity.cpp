#include "cadsim/model/Entity.h"

#include "cadsim/model/Text.h"

#include <utility>

namespace cadsim {

const XDataGroup* Entity::xdataFor(std::u16string_view application) const
{
    for (const XDataGroup& group : xdata)
        if (equalsIgnoringCase(group.application, application))
            return &group;
    return nullptr;
}

XDataGroup* Entity::xdataFor(std::u16string_view application)
{
    return const_cast<XDataGroup*>(std::as_const(*this).xdataFor(application));
}

} // namespace cadsim
