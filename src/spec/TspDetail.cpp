#include "spec/TspDetail.h"

#include "platform/automation/Dispatch.h"

#include <exception>

void TspDetail::LoadFromEntity(automation::Variant entity)
{
    FEntity = std::move(entity);
    if (FKind == KindCreated)
        FKind = KindLoaded;
    try {
        FLayer = QString::fromStdU16String(automation::get(FEntity, u"Layer").toBStr());
    } catch (const std::exception&) {
        // A layer the CAD cannot tell leaves the detail on its former layer.
    }
    FObjectID = automation::get(FEntity, u"ObjectID").toI8();
    try {
        FHandle = QString::fromStdU16String(automation::get(FEntity, u"Handle").toBStr());
    } catch (const std::exception&) {
        // Without a handle the row is found by its ObjectID alone.
    }
}
