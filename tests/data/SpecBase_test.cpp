// The database file that the build puts beside the executables.
#include "data/TSpecData.h"

#include <QCoreApplication>
#include <QFile>

#include <gtest/gtest.h>

namespace {

TEST(SpecBase, ShipsBesideTheExecutableAndOpensWithTheModulesFields)
{
    TSpecData module;
    const QString path = module.ADOConnection.dataSource();
    ASSERT_TRUE(QFile::exists(path)) << path.toStdString();
    // Read-only, so that the test never touches the rows kept in it.
    module.ADOConnection.setConnectionString(module.ADOConnection.connectionString() + QStringLiteral(";Mode=Read"));
    module.ADOConnection.open();
    module.TTruba->open();
    module.VTruba->open();
    EXPECT_TRUE(module.TTruba->isActive());
    EXPECT_TRUE(module.VTruba->isActive());
}

} // namespace
