#include "cad/GetXDataValue.h"

#include "walk/XDataValue.h"

automation::Variant GetXDataValue(automation::Variant entity, const QString& appName, int32_t groupCode)
{
    return walk::xdataValue(entity, appName.toStdU16String(), groupCode);
}
