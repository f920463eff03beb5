#pragma once

#include "platform/db/Connection.h"
#include "platform/db/DataSource.h"
#include "platform/db/Dataset.h"
#include "platform/db/Field.h"

#include <QObject>

#include <memory>

// The data module: the program's single gateway to spec_base.mdb. It owns the
// connection, the pipe table TTruba with its row validation, the totals view
// VTruba, and the data sources the grids bind to. Nothing connects or opens
// when it is created: the main window does that when it is shown.
class TSpecData : public QObject {
    Q_OBJECT
public:
    explicit TSpecData(QObject* parent = nullptr);
    ~TSpecData() override;

    db::Connection ADOConnection;

    db::Dataset* TTruba = nullptr;
    db::Field* TTrubaFKey = nullptr;
    db::Field* TTrubaFObjectID = nullptr;
    db::Field* TTrubaFLayer = nullptr;
    db::Field* TTrubaFLength = nullptr;
    db::Field* TTrubaFRmax = nullptr;
    db::Field* TTrubaFRmin = nullptr;
    db::Field* TTrubaFHandle = nullptr;  // the entity's handle, kept by the drawing
    db::Field* TTrubaFDrawing = nullptr; // the drawing the handle belongs to (FINGERPRINTGUID)
    db::Field* TTrubaFPath = nullptr;    // that drawing's file; shown by its name, last, only
                                         // while the table holds rows of several drawings

    db::Dataset* VTruba = nullptr;
    db::Field* VTrubaFLength = nullptr;
    db::Field* VTrubaFRmax = nullptr;
    db::Field* VTrubaFRmin = nullptr;

    db::DataSource* STruba = nullptr;
    db::DataSource* SVTruba = nullptr;

    // True when the file is open but cannot be written: nothing may be typed
    // into the pipe table, and no harvest may replace its rows.
    bool isReadOnly() const { return ADOConnection.isConnected() && ADOConnection.isReadOnly(); }

    // Points the connection at spec_base.mdb in the executable's folder.
    // Runs once from the constructor; connects nothing.
    void DataModuleCreate();
    // TTruba's before-post handler: a row needs a length and an outer
    // diameter, then a length and an outer diameter above zero and an inner
    // diameter not below it (each refusal is a MessageAbort with its
    // message); a missing inner diameter becomes 0.
    void TTrubaBeforePost(db::Dataset& DataSet);

    // Whether the pipe table holds rows of more than one drawing (a row knows
    // its drawing by its file, or, read before rows kept it, by its identity).
    bool holdsSeveralDrawings() const;
    // Shows the drawing column where the table holds several drawings, and
    // hides it where it holds one (or none). Asked for after every change of
    // the rows, once the change is made.
    void showDrawingColumn();

private:
    class RowWatch;
    std::unique_ptr<RowWatch> m_rowWatch;
};

// The one data module of the process, set by the application when it creates it.
extern TSpecData* SpecData;
