#include "support/CadsimProcess.h"

#include "platform/automation/AutomationError.h"
#include "platform/automation/ObjectRegistry.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <thread>

CadsimProcess::CadsimProcess(const QByteArray& drawingDxf)
{
    if (!m_folder.isValid())
        throw std::runtime_error("cannot make a temporary folder");
    for (const char* name : {"run", "support"})
        QDir().mkpath(path(QString::fromLatin1(name)));
    // A runtime folder must be private to its user.
    QFile::setPermissions(path("run"), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    ::setenv("XDG_RUNTIME_DIR", QFile::encodeName(path("run")).constData(), 1);
    writeDrawing(drawingDxf);
}

void CadsimProcess::writeDrawing(const QByteArray& drawingDxf)
{
    QFile file(path("pipes.dxf"));
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(drawingDxf) != drawingDxf.size())
        throw std::runtime_error("cannot write the drawing");
}

CadsimProcess::~CadsimProcess() { stop(); }

automation::Variant CadsimProcess::start(QStringList options, std::u16string progId)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert("QT_QPA_PLATFORM", "offscreen");
    env.insert("XDG_RUNTIME_DIR", path("run"));
    env.insert("XDG_DATA_HOME", path("data"));
    env.insert("XDG_CONFIG_HOME", path("config"));
    m_process.setProcessEnvironment(env);
    m_process.setProgram(QCoreApplication::applicationDirPath() + "/cadsim");
    m_process.setArguments(options << "--settings" << path("cadsim.ini") << path("pipes.dxf"));
    m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_process.start();
    EXPECT_TRUE(m_process.waitForStarted(10000));
    for (int i = 0; i < 400 && m_process.state() == QProcess::Running; ++i) {
        try {
            return automation::Variant::dispatch(automation::activeObject(progId));
        } catch (const automation::CallFailure&) {
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        }
    }
    ADD_FAILURE() << "cadsim did not register";
    return {};
}

void CadsimProcess::stop()
{
    if (m_process.state() != QProcess::NotRunning) {
        m_process.terminate();
        if (!m_process.waitForFinished(10000))
            m_process.kill();
        m_process.waitForFinished(10000);
    }
}
