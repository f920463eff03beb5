#include "walk/PipeSolid.h"

#include "platform/automation/Dispatch.h"
#include "walk/XDataValue.h"

namespace walk {

bool isPipeSolid(const automation::Variant& entity)
{
    if (automation::get(entity, u"EntityType").toI4() != pipesolid::SolidEntityType)
        return false;
    const automation::Variant kind = xdataValue(entity, pipesolid::Application, pipesolid::KindGroup);
    return kind.type() == automation::VarType::I2 && kind.toI2() == pipesolid::PipeKind;
}

} // namespace walk
