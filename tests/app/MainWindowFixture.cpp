#include "MainWindowFixture.h"

#include "platform/db/Dataset.h"

void MainWindowFixture::createInstances(const QString& connectionString)
{
    window = std::make_unique<TWMain>();
    WMain = window.get();
    data = std::make_unique<TSpecData>();
    SpecData = data.get();
    data->ADOConnection.setConnectionString(connectionString);
    window->bindDataModule(*data);
}

void MainWindowFixture::destroyInstances()
{
    WMain = nullptr;
    window.reset();
    SpecData = nullptr;
    data.reset();
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
