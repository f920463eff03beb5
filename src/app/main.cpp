#include "app/Session.h"
#include "app/TWMain.h"
#include "app/VedorisApplication.h"

int main(int argc, char** argv)
{
    // The application object comes first; the session then brings the
    // platform's automation (COM's apartment on Windows, the local-socket
    // lookup elsewhere), the services and the process-wide instances.
    VedorisApplication application(argc, argv);
    Session session;
    // The event loop shows the main window first, which opens the database.
    session.mainWindow().show();
    return application.exec();
}
