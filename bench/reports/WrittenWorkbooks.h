#pragma once

#include "platform/automation/ObjectRegistry.h"
#include "platform/sheet/StandIn.h"

#include <QFile>
#include <QTemporaryDir>

#include <cstdint>

// The spreadsheet stand-in registered as "Excel.Sheet" for a benchmark: each
// workbook handed over is written to a folder of its own, weighed and
// deleted, instead of being opened on the desktop.
class WrittenWorkbooks {
public:
    WrittenWorkbooks()
    {
        sheet::StandInOptions options;
        options.folder = m_folder.path();
        options.opener = [this](const QString& path) {
            m_lastBytes = QFile(path).size();
            QFile::remove(path);
        };
        m_registration = sheet::registerStandIn(options);
    }

    // The size of the last workbook written, 0 before the first.
    int64_t lastBytes() const { return m_lastBytes; }

private:
    QTemporaryDir m_folder;
    int64_t m_lastBytes = 0;
    automation::Registration m_registration;
};
