#include "cad/PipeSolid.h"

#include "cad/GetXDataValue.h"
#include "platform/automation/Dispatch.h"

bool IsPipeSolid(const automation::Variant& entity)
{
    if (automation::get(entity, u"EntityType").toI4() != pipesolid::SolidEntityType)
        return false;
    const automation::Variant kind =
        GetXDataValue(entity, QString::fromUtf16(pipesolid::Application), pipesolid::KindGroup);
    return kind.type() == automation::VarType::I2 && kind.toI2() == pipesolid::PipeKind;
}
