#include "app/VedorisApplication.h"

#include "app/ApplicationTitle.h"
#include "app/ApplicationIcon.h"
#include "platform/messages/ReportFailure.h"
#include "version/Version.h"

VedorisApplication::VedorisApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(applicationTitle());
    setApplicationVersion(QString::fromUtf8(version::Text));
    // Every window of the program, the main window first, shows the icon.
    setWindowIcon(applicationIcon());
}

bool VedorisApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        // The last-resort backstop: nothing may reach Qt's event loop.
        messages::reportFailure(std::current_exception());
        return false;
    }
}
