// A stand-alone server for the cross-process tests of the remote backend:
// serves a TestObject under the ProgID given as the first argument until it is
// killed. It prints "ready" once registered.
#include "TestObject.h"

#include "platform/automation/remote/RemoteServer.h"

#include <QCoreApplication>

#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s PROGID\n", argv[0]);
        return 2;
    }
    const QString progId = QString::fromLocal8Bit(argv[1]);
    automation::remote::RemoteServer server(progId.toStdU16String(), std::make_shared<TestObject>());
    try {
        server.start();
    } catch (const std::exception& e) {
        std::fprintf(stderr, "%s\n", e.what());
        return 1;
    }
    std::printf("ready\n");
    std::fflush(stdout);
    return app.exec();
}
