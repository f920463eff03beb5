#include "about/TWAbout.h"
#include "app/ModalMessageService.h"
#include "app/PlatformServices.h"
#include "app/TWMain.h"
#include "app/TWProgress.h"
#include "app/VedorisApplication.h"
#include "data/TSpecData.h"
#include "reports/TWSumTruba.h"

#include <memory>

int main(int argc, char** argv)
{
    // The application object comes first; with it the platform's automation
    // (COM's apartment on Windows, the local-socket lookup elsewhere) and the
    // spreadsheet where no real one can be had.
    app::VedorisApplication application(argc, argv);
    const app::PlatformServices platform;

    app::ModalMessageService messageBoxes;
    messages::setService(&messageBoxes);

    // The process-wide instances, in their fixed creation order, all hidden.
    // They live until the event loop has ended.
    auto mainWindow = std::make_unique<TWMain>();
    WMain = mainWindow.get();
    auto specData = std::make_unique<TSpecData>();
    SpecData = specData.get();
    WMain->bindDataModule(*SpecData);
    auto totals = std::make_unique<TWSumTruba>(WMain);
    WSumTruba = totals.get();
    WSumTruba->bindDataModule(*SpecData);
    auto about = std::make_unique<TWAbout>(WMain);
    WAbout = about.get();
    // Long commands show their progress over the main window.
    auto progressWindow = std::make_unique<TWProgress>(WMain);
    progress::setDisplay(progressWindow.get());

    WMain->show();
    const int result = application.exec();

    progress::setDisplay(nullptr);
    progressWindow.reset();
    WAbout = nullptr;
    about.reset();
    WSumTruba = nullptr;
    totals.reset();
    WMain = nullptr;
    mainWindow.reset();
    SpecData = nullptr;
    specData.reset();
    messages::setService(nullptr);
    return result;
}
