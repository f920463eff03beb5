#pragma once

#include <QChar>
#include <QString>

// The connection string as the data module is designed with it. "[Source]"
// is a placeholder that the module's creation handler replaces.
inline constexpr char16_t designConnectionString[] =
    u"Provider=Microsoft.Jet.OLEDB.4.0;Data [Source];Persist Security Info=False";

inline constexpr char16_t databaseFileName[] = u"spec_base.mdb";

// Points a connection string at the database file beside the executable:
// every exact, case-sensitive "[Source]" becomes
// "Source=" + folder + separator + "spec_base.mdb", left to right, without
// looking again at text already put in. The folder goes in as it is, unquoted,
// so a root folder yields a doubled separator ("C:\\spec_base.mdb").
QString rewriteConnectionString(const QString& connectionString, const QString& executablePath, QChar separator);
