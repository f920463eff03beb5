#include "HarvestFixture.h"

#include "platform/messages/EntryPoint.h"
#include "platform/os/FileCopy.h"
#include "spec/TSpecification.h"
#include "walk/WalkerIdentity.h"
#include "walk/WalkerObject.h"

#include <QFile>

void HarvestFixture::SetUp()
{
    makeProcessWide();
    open();

    QFile pipeProgram(executableFolder.filePath(QStringLiteral("tr.fas")));
    ASSERT_TRUE(pipeProgram.open(QIODevice::WriteOnly));
    pipeProgram.write("(princ)\n");
    pipeProgram.close();

    const QString exeFolder = executableFolder.path();
    m_previousEnvironment = setCadEnvironment(CadEnvironment{
        [exeFolder] { return exeFolder; }, QLatin1Char('/'), &os::copyFile,
        [](int) {} // the idle poll needs no real pause against the simulator
    });
    cad.setSupportPath(supportFolder.path().toStdU16String());
    running = automation::registerActiveObject(u"AutoCAD.Application", cad.application());
}

void HarvestFixture::TearDown()
{
    running.revoke();
    setCadEnvironment(m_previousEnvironment);
}

// The program's own command, but for its window, ended as the program ends
// a command: what stops it early is told to the user.
void HarvestFixture::harvest()
{
    messages::runEntryPoint([this] { HarvestPipes(data); });
}

void HarvestFixture::offerWalker()
{
    const std::u16string library = executableFolder.filePath(QStringLiteral("vedoris_walker.so")).toStdU16String();
    cad.setInterfaceObjectSource([library](const std::u16string& progId) -> std::optional<cadsim::InterfaceObjectLibrary> {
        if (progId != walk::walkerProgId)
            return std::nullopt;
        return cadsim::InterfaceObjectLibrary{library, [] { return std::make_shared<walk::WalkerObject>(); }};
    });
}
