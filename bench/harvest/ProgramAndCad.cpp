#include "ProgramAndCad.h"

#include "../common/WalkDrawing.h"

#include "app/TWMain.h"
#include "data/TSpecData.h"
#include "platform/db/Dataset.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <sqlite3.h>

#include <cstdlib>

namespace {

bool makeDatabase(const QString& path)
{
    QFile schema(QStringLiteral(VEDORIS_SCHEMA_SQL));
    if (!schema.open(QIODevice::ReadOnly))
        return false;
    sqlite3* db = nullptr;
    const bool made = sqlite3_open(path.toUtf8().constData(), &db) == SQLITE_OK
                      && sqlite3_exec(db, schema.readAll().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return made;
}

} // namespace

bool ProgramAndCad::prepare()
{
    for (const char* name : {"run", "support", "data", "config"})
        QDir().mkpath(folder.filePath(name));
    // The local sockets the simulator serves on live here, as in a session's
    // own runtime folder.
    QFile::setPermissions(folder.filePath("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(folder.filePath("run")).constData(), 1);
    if (!makeDatabase(folder.filePath("spec_base.mdb")))
        return false;

    SessionOptions options;
    options.connectionString =
        QStringLiteral("Provider=Microsoft.Jet.OLEDB.4.0;Data Source=%1").arg(folder.filePath("spec_base.mdb"));
    options.messages = &quiet;
    session = std::make_unique<Session>(std::move(options));
    return true;
}

bool ProgramAndCad::showWindow()
{
    session->mainWindow().show();
    QCoreApplication::processEvents();
    return session->data().TTruba->isActive();
}

bool ProgramAndCad::startCad(const QStringList& options, const QString& drawing)
{
    application.clear();
    if (cad.state() != QProcess::NotRunning)
        endProcess(cad);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_DATA_HOME", folder.filePath("data"));
    env.insert("XDG_CONFIG_HOME", folder.filePath("config"));
    cad.setProcessEnvironment(env);
    cad.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    cad.start(QCoreApplication::applicationDirPath() + "/cadsim",
              options + QStringList{"--settings", folder.filePath("cadsim.ini"), "--support-path",
                                    folder.filePath("support"), drawing});
    const std::optional<automation::Variant> served = attachWhenServing(cad);
    if (served)
        application = *served;
    return served.has_value();
}

void ProgramAndCad::stop()
{
    application.clear();
    session.reset();
    endProcess(cad);
}

int ProgramAndCad::storedRows() const { return session->data().TTruba->recordCount(); }
