#pragma once

#include "platform/messages/SilentAbort.h"

#include <QString>

#include <cstdint>

namespace progress {

// What a long command shows its user while it runs: its stage, how far it
// got, and that it waits for another program. The program shows this in a
// modal progress window, keeps its windows drawn meanwhile and lets no input
// of the user's through; the default shows nothing and only sleeps.
class Display {
public:
    virtual ~Display() = default;
    // The outermost task of a command begins and ends; nested ones share it.
    virtual void begin(const QString& title) = 0;
    virtual void end() = 0;
    // The stage's text; "%1" and "%2" stand for the step and the total.
    virtual void stage(const QString& text) = 0;
    // Called as often as the work likes: the display draws at its own pace.
    virtual void step(int64_t done, int64_t total) = 0;
    // Waits for the given time, keeping the windows drawn.
    virtual void pause(int milliseconds) = 0;
    // The text the task shows while another program refuses its calls as
    // busy (empty: the stage stays as it is).
    virtual void setBusyText(const QString& text) = 0;
    // Waits while another program refuses a call as busy; `refusedMs` is how
    // long it has refused so far. A long refusal shows the busy text until
    // the next stage or step.
    virtual void busyPause(int64_t refusedMs, int milliseconds) = 0;
    // Whether the user asked to stop the running task ("Отмена", Esc in its
    // window). The task stops at its next chunk of work or retry.
    virtual bool cancelRequested() const { return false; }
};

// The user stopped the command. The command ends at once, as after a
// failure that has been reported: nothing more is shown.
class Cancelled : public SilentAbort {
public:
    const char* what() const noexcept override { return "Cancelled by the user"; }
};

// Raises Cancelled when the user asked to stop: called between chunks of a
// long command's work and between its retries.
void throwIfCancelled();

// A refusal longer than this is shown to the user.
inline constexpr int64_t BusyNoticeMs = 500;

// Installs the display for the whole process and returns the one it
// replaces; nullptr restores the default.
Display* setDisplay(Display* display);
Display& display();

// Whether a long task runs on this thread now: views that would redraw for
// every step of it catch up when the display redraws instead.
bool taskRunning();

// One command's long task, from its construction to its end.
class Task {
public:
    explicit Task(const QString& title, const QString& busyText = {});
    ~Task();
    Task(const Task&) = delete;
    Task& operator=(const Task&) = delete;

    void stage(const QString& text) { display().stage(text); }
    void step(int64_t done, int64_t total) { display().step(done, total); }
};

inline void stage(const QString& text) { display().stage(text); }
inline void step(int64_t done, int64_t total) { display().step(done, total); }
inline void pause(int milliseconds) { display().pause(milliseconds); }
inline void busyPause(int64_t refusedMs, int milliseconds) { display().busyPause(refusedMs, milliseconds); }

} // namespace progress
