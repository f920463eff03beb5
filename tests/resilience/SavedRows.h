#pragma once

#include <QString>

// What a database file holds after a save that may have been cut short,
// read past the program's data layer.
struct SavedRows {
    QString integrity; // "ok", or what integrity_check found
    int rows = 0;
    int oldRows = 0; // rows of the layer the old set was written with
    QString error;   // the file could not be read at all

    // All old rows, or all new ones: nothing in between.
    bool isOld(int oldCount) const { return rows == oldCount && oldRows == oldCount; }
    bool isNew(int newCount) const { return rows == newCount && oldRows == 0; }
};

// The layer of every row of the old set.
inline constexpr const char16_t* OldLayer = u"Старый слой";

// Opens the file the way the program's next start would (rolling back what a
// killed save left in the journal) and looks at it.
SavedRows readSavedRows(const QString& path);

// A fresh file from the program's schema at `path`, holding `count` old rows.
bool makeDatabaseWithOldRows(const QString& path, const QString& schemaSql, int count);
