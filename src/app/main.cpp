#include "app/ModalMessageService.h"
#include "app/TWMain.h"
#include "app/VedorisApplication.h"
#include "data/TSpecData.h"

#include <memory>

int main(int argc, char** argv)
{
    app::VedorisApplication application(argc, argv);
    app::ModalMessageService messageBoxes;
    messages::setService(&messageBoxes);

    // The process-wide instances, in their fixed creation order, all hidden.
    // They live until the event loop has ended.
    auto mainWindow = std::make_unique<TWMain>();
    WMain = mainWindow.get();
    auto specData = std::make_unique<TSpecData>();
    SpecData = specData.get();
    WMain->bindDataModule(*SpecData);

    WMain->show();
    const int result = application.exec();

    WMain = nullptr;
    mainWindow.reset();
    SpecData = nullptr;
    specData.reset();
    messages::setService(nullptr);
    return result;
}
