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
    db::Dataset& table = *SpecData->TTruba;
    table.append();
    SpecData->TTrubaFLayer->setAsString(layer);
    SpecData->TTrubaFLength->setAsFloat(length);
    SpecData->TTrubaFRmax->setAsFloat(rmax);
    table.post();
}
