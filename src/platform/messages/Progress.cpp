#include "platform/messages/Progress.h"

#include "platform/hooks/ProcessHook.h"

#include <QThread>

namespace progress {
namespace {

class Silent final : public Display {
public:
    void begin(const QString&) override {}
    void end() override {}
    void stage(const QString&) override {}
    void step(int64_t, int64_t) override {}
    void pause(int milliseconds) override { QThread::msleep(static_cast<unsigned long>(milliseconds)); }
    void setBusyText(const QString&) override {}
    void busyPause(int64_t, int milliseconds) override { pause(milliseconds); }
};

hooks::ProcessHook<Display*>& hook()
{
    static Silent fallback;
    static hooks::ProcessHook<Display*> installed(&fallback);
    return installed;
}

thread_local int tasksRunning = 0;

} // namespace

Task::Task(const QString& title, const QString& busyText)
{
    display().begin(title);
    display().setBusyText(busyText);
    ++tasksRunning;
}

Task::~Task()
{
    --tasksRunning;
    display().end();
}

bool taskRunning() { return tasksRunning > 0; }

void throwIfCancelled()
{
    if (tasksRunning > 0 && display().cancelRequested())
        throw Cancelled();
}

Display* setDisplay(Display* display) { return hook().install(display); }

Display& display() { return *hook().current(); }

} // namespace progress
