#include "MainWindowFixture.h"

#include "platform/db/Dataset.h"

void MainWindowFixture::createInstances(const QString& connectionString)
{
    instances = std::make_unique<ProgramInstances>(connectionString);
    window = &instances->mainWindow();
    data = &instances->data();
}

void MainWindowFixture::destroyInstances()
{
    window = nullptr;
    data = nullptr;
    instances.reset();
}

void MainWindowFixture::start() { window->show(); }

void MainWindowFixture::appendRow(const QString& layer, double length, double rmax)
{
    db::Dataset& table = *data->TTruba;
    table.append();
    data->TTrubaFLayer->setAsString(layer);
    data->TTrubaFLength->setAsFloat(length);
    data->TTrubaFRmax->setAsFloat(rmax);
    table.post();
}
