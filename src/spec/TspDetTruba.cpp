#include "spec/TspDetTruba.h"

#include "walk/EntityReads.h"

#include <QScopeGuard>

void TspDetTruba::LoadFromEntity(automation::Variant entity)
{
    TspDetail::LoadFromEntity(std::move(entity));
    // The sizes read before a malformed point failed stay.
    walk::PipeRow sizes;
    sizes.length = FLength;
    sizes.outerDiameter = FRmax;
    sizes.innerDiameter = FRmin;
    const auto keep = qScopeGuard([&] {
        FLength = sizes.length;
        FRmax = sizes.outerDiameter;
        FRmin = sizes.innerDiameter;
    });
    walk::readSizes(FEntity, sizes);
}
