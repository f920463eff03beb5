#pragma once

#include "data/TSpecData.h"
#include "support/TestDatabase.h"

#include <QString>
#include <QStringList>

#include <vector>

// The program's pipe table over a fresh database file: the data module
// itself (TSpecData), pointed at a file made from the program's schema (or
// any other, for files that differ on purpose). The table TTruba with its
// fields, labels, sort and row validation, the totals view VTruba and the
// data sources STruba and SVTruba are the module's own, so a test follows
// whatever the program declares. As in the program until the main window
// shows, nothing is connected or opened until open(). The module is the
// process-wide SpecData only after makeProcessWide(): the windows and the
// exports are handed their module and must not reach for another.
//
// A plain class: a test holds one, or a test fixture derives from it.
class PipeTableFixture {
public:
    explicit PipeTableFixture(const std::vector<TestDatabase::Row>& rows = {});
    explicit PipeTableFixture(const QString& schemaSql, const std::vector<TestDatabase::Row>& rows = {});
    ~PipeTableFixture();
    PipeTableFixture(const PipeTableFixture&) = delete;
    PipeTableFixture& operator=(const PipeTableFixture&) = delete;

    // Connects and opens the pipe table, as the main window does when it shows.
    void open();
    // Makes the module the process-wide SpecData, for code that reaches for
    // it there (the harvest); it is taken back when the fixture goes.
    void makeProcessWide();

    // The layer of every row as the table lists it, pending values
    // included; Null as nullText.
    QStringList layers(const QString& nullText = QStringLiteral("<null>")) const;
    // The rows of the file itself, read past the module, in the order they
    // were stored: "layer:length", "null" for a missing length.
    QStringList storedLayerLengths() const;

    TestDatabase file;
    TSpecData data;
};

// A pipe row for TestDatabase::addRows.
inline TestDatabase::Row pipe(const char* layer, double length, double rmax, double rmin)
{
    TestDatabase::Row row;
    row.layer = QString::fromUtf8(layer);
    row.length = length;
    row.rmax = rmax;
    row.rmin = rmin;
    return row;
}
