#pragma once

#include "platform/automation/ObjectRegistry.h"
#include "platform/sheet/StandIn.h"

#include <QStringList>
#include <QTemporaryDir>

#include <vector>

// The spreadsheet stand-in registered as "Excel.Sheet" for one test: it
// writes into a folder of its own and records, instead of launching any
// program, every file it would open and the cells of every workbook it hands
// over. The registration goes with it.
class RecordedStandIn {
public:
    RecordedStandIn()
    {
        sheet::StandInOptions options;
        options.folder = folder.path();
        options.opener = [this](const QString& path) { opened.append(path); };
        options.inspector = [this](const sheet::CellMap& cells) { handedOver.push_back(cells); };
        registration = sheet::registerStandIn(std::move(options));
    }
    RecordedStandIn(const RecordedStandIn&) = delete;
    RecordedStandIn& operator=(const RecordedStandIn&) = delete;

    // The one workbook handed over; an empty map when there was none.
    const sheet::CellMap& lastWorkbook() const
    {
        static const sheet::CellMap none;
        return handedOver.empty() ? none : handedOver.back();
    }

    QTemporaryDir folder;
    QStringList opened;
    std::vector<sheet::CellMap> handedOver;
    automation::Registration registration;
};
