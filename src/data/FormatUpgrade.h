#pragma once

namespace db {
class Connection;
}

// Brings a pipe table made by an earlier version of the program up to the
// columns this one binds: a file without TTruba.FHandle, TTruba.FDrawing or
// TTruba.FPath gains them, in one transaction, every row kept (its handle and
// drawing Null until the next harvest). A file that needs nothing is not written. DbError
// when the file cannot take the change; a file without the table is left for
// the open to refuse.
void upgradePipeTable(db::Connection& connection);
