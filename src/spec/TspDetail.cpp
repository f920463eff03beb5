#include "spec/TspDetail.h"

#include "walk/EntityReads.h"

#include <QScopeGuard>

void TspDetail::LoadFromEntity(automation::Variant entity)
{
    FEntity = std::move(entity);
    if (FKind == KindCreated)
        FKind = KindLoaded;
    // Read as the walk of model space reads it; what was read stays, also
    // when the ObjectID fails.
    walk::PipeRow read{FLayer.toStdU16String(), FObjectID, FHandle.toStdU16String()};
    const auto keep = qScopeGuard([&] {
        FLayer = QString::fromStdU16String(read.layer);
        FObjectID = read.objectId;
        FHandle = QString::fromStdU16String(read.handle);
    });
    walk::readIdentity(FEntity, read);
}
