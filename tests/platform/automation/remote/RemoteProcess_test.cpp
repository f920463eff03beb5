#include "RemoteTestSupport.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <QCoreApplication>
#include <QProcess>

#include <csignal>
#include <thread>

using namespace automation;

namespace {

// The test server in a process of its own, killed without warning at the end.
class ServerProcess {
public:
    explicit ServerProcess(const QString& progId)
    {
        m_process.setProgram(QCoreApplication::applicationDirPath() + "/vedoris_remote_test_server");
        m_process.setArguments({progId});
        m_process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        m_process.start();
        EXPECT_TRUE(m_process.waitForStarted(10000));
        while (m_process.state() == QProcess::Running && !m_process.canReadLine())
            m_process.waitForReadyRead(100);
        EXPECT_EQ(m_process.readLine().trimmed(), "ready");
    }
    ~ServerProcess() { kill(); }

    void kill()
    {
        if (m_process.state() != QProcess::NotRunning) {
            ::kill(static_cast<pid_t>(m_process.processId()), SIGKILL);
            m_process.waitForFinished(10000);
        }
    }

private:
    QProcess m_process;
};

TEST(RemoteProcess, AServerKilledDuringACallFailsTheCallAndIsThenNotRunning)
{
    ServerProcess server(QStringLiteral("Vedoris.Killed"));
    const Variant app = Variant::dispatch(activeObject(u"Vedoris.Killed"));
    EXPECT_EQ(call(app, u"Echo", Variant::bstr(u"ok")), Variant::bstr(u"ok"));

    int32_t code = 0;
    // The call would last a minute; the kill comes while it is under way, and
    // the failure must come with it, not when the minute is over.
    std::thread caller([&] { code = failureCode([&] { call(app, u"Sleep", Variant::i4(60000)); }); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));
    server.kill();
    caller.join(); // a client that missed the death would wait here for ever
    EXPECT_EQ(code, hr::Rpc_E_ServerDied);

    EXPECT_EQ(failureCode([&] { get(app, u"Echo", Variant::i2(1)); }), hr::Rpc_E_Disconnected);
    // The killed server's socket file is still there; it answers nobody.
    EXPECT_EQ(failureCode([] { activeObject(u"Vedoris.Killed"); }), hr::Mk_E_Unavailable);
}

TEST(RemoteProcess, AServerGoneBetweenCallsIsDisconnected)
{
    ServerProcess server(QStringLiteral("Vedoris.Gone"));
    const Variant app = Variant::dispatch(activeObject(u"Vedoris.Gone"));
    const Variant child = call(app, u"Child", Variant::bstr(u"c"));
    server.kill();
    const int32_t code = failureCode([&] { get(child, u"Name"); });
    EXPECT_TRUE(code == hr::Rpc_E_Disconnected || code == hr::Rpc_E_ServerDied) << std::hex << code;
}

} // namespace
