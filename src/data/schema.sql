-- The pipe database that ships beside the program as spec_base.mdb. The build
-- makes the file from this script only where none exists yet; the program
-- itself never creates the file, its table or its view.

-- One row per pipe. FObjectID holds the CAD ObjectID whole (64 bits: CAD
-- applications hand out ObjectIDs above 32 bits), and FLayer the full layer
-- name, however long. FHandle is the entity's handle, which the drawing
-- keeps from one session of the CAD to the next, where the ObjectID does
-- not; FDrawing names the drawing it was read from (the CAD's
-- FINGERPRINTGUID), since a handle means something only within its own
-- drawing; FPath is the path of that drawing's file, by which a row of a
-- drawing that is not the one open now is found again. A file made before
-- it had these columns gains them when it is opened.
CREATE TABLE TTruba (
  FKey      INTEGER PRIMARY KEY AUTOINCREMENT,
  FObjectID INTEGER,
  FLayer    TEXT,
  FLength   REAL,
  FRmax     REAL,
  FRmin     REAL,
  FHandle   TEXT,
  FDrawing  TEXT,
  FPath     TEXT
);

-- The total length per pipe size: one row per distinct pair of outer and
-- inner diameter, smallest pipes first.
CREATE VIEW VTruba AS
  SELECT SUM(FLength) AS FLength, FRmax, FRmin
  FROM TTruba
  GROUP BY FRmax, FRmin
  ORDER BY FRmax, FRmin;
