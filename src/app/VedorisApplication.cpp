#include "app/VedorisApplication.h"

#include "app/ApplicationTitle.h"
#include "platform/messages/ReportFailure.h"

VedorisApplication::VedorisApplication(int& argc, char** argv) : QApplication(argc, argv)
{
    setApplicationName(applicationTitle());
    setApplicationVersion(QStringLiteral("0.9.9.9"));
}

bool VedorisApplication::notify(QObject* receiver, QEvent* event)
{
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        messages::reportFailure(std::current_exception());
        return false;
    }
}
