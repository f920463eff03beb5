#include "spec/TspDetTruba.h"

#include "cad/GetXDataValue.h"

using automation::Variant;

void TspDetTruba::LoadFromEntity(Variant entity)
{
    TspDetail::LoadFromEntity(std::move(entity));

    const Variant point = GetXDataValue(FEntity, QString::fromUtf16(PipeApplication), SizeGroup);
    if (point.isNull())
        return;
    // The point holds radii; the table keeps diameters.
    const Variant two = Variant::i4(2);
    FLength = point.at(0).toR8();
    FRmax = automation::multiply(point.at(1), two).toR8();
    FRmin = automation::multiply(point.at(2), two).toR8();
}
