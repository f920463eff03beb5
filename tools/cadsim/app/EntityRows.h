#pragma once

#include "cadsim/model/Drawing.h"

#include <QString>
#include <QStringList>

#include <optional>
#include <vector>

namespace cadsim {

// One line of the simulator's entity list: what a designer checks against the
// pipe table. The pipe kind and sizes come from the "trb" extended data, as
// the pipe program attached them: kind 1070, and the 1010 point holding the
// length and the outer and inner radius (shown as diameters).
struct EntityRow {
    QString handle;
    QString type;
    QString layer;
    int64_t objectId = 0;
    QString kind;                  // the 1070 value of "trb", empty without one
    std::optional<double> length;
    std::optional<double> outerDiameter;
    std::optional<double> innerDiameter;
};

// objectIdOffset: what the application adds to the stored ObjectIDs when it
// reports them (ObjectIDs above 32 bits).
std::vector<EntityRow> entityRows(const Drawing& drawing, int64_t objectIdOffset);

QStringList entityColumnTitles();
// The row's cells in column order; numbers without trailing zeros.
QStringList entityCells(const EntityRow& row);

// The list as `cadsim --list` prints it: a title line, then one line per
// entity, cells separated by tabs.
QString entityListing(const Drawing& drawing, int64_t objectIdOffset);

} // namespace cadsim
