#include "platform/messages/Progress.h"

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
};

Silent g_silent;
Display* g_display = nullptr;

} // namespace

Display* setDisplay(Display* display)
{
    Display* previous = g_display;
    g_display = display;
    return previous;
}

Display& display()
{
    return g_display ? *g_display : g_silent;
}

} // namespace progress
