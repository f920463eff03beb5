#include "cadsim/app/EntityRows.h"

namespace cadsim {

namespace {

QString number(const std::optional<double>& value)
{
    return value ? QString::number(*value, 'g', 15) : QString();
}

} // namespace

std::vector<EntityRow> entityRows(const Drawing& drawing, int64_t objectIdOffset)
{
    std::vector<EntityRow> rows;
    rows.reserve(drawing.entities().size());
    for (const Entity& e : drawing.entities()) {
        EntityRow row;
        row.handle = QString::fromStdU16String(e.handle);
        row.type = QString::fromStdU16String(e.dxfName);
        row.layer = QString::fromStdU16String(e.layer);
        row.objectId = e.objectId + objectIdOffset;
        if (const XDataGroup* pipe = e.xdataFor(u"trb")) {
            // The last occurrence of a group counts, as for the program that reads them.
            for (const XDataItem& item : pipe->items) {
                try {
                    if (item.code == 1070) {
                        row.kind = QString::number(item.value.toI4());
                    } else if (item.code == 1071) {
                        // Not a pipe to the program that reads them: it wants a 16-bit kind.
                        row.kind = QString::number(item.value.toI4()) + QStringLiteral(" (1071)");
                    } else if (item.code == 1010 && item.value.isArray()) {
                        const auto& a = item.value.toArray();
                        if (a.elements.size() == 3) {
                            row.length = a.elements[0].toR8();
                            row.outerDiameter = 2 * a.elements[1].toR8();
                            row.innerDiameter = 2 * a.elements[2].toR8();
                        }
                    }
                } catch (const std::exception&) {
                    // Data the list cannot show is left blank; the drawing still loads.
                }
            }
        }
        rows.push_back(std::move(row));
    }
    return rows;
}

QStringList entityColumnTitles()
{
    return {QStringLiteral("Handle"), QStringLiteral("Type"), QStringLiteral("Layer"), QStringLiteral("ObjectID"),
            QStringLiteral("Kind"), QStringLiteral("Length"), QStringLiteral("Outer D"), QStringLiteral("Inner D")};
}

QStringList entityCells(const EntityRow& row)
{
    return {row.handle, row.type, row.layer, QString::number(row.objectId), row.kind,
            number(row.length), number(row.outerDiameter), number(row.innerDiameter)};
}

QString entityListing(const Drawing& drawing, int64_t objectIdOffset)
{
    QString out = entityColumnTitles().join(QLatin1Char('\t')) + QLatin1Char('\n');
    for (const EntityRow& row : entityRows(drawing, objectIdOffset))
        out += entityCells(row).join(QLatin1Char('\t')) + QLatin1Char('\n');
    return out;
}

} // namespace cadsim
