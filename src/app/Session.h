#pragma once

#include "app/ModalMessageService.h"
#include "app/PlatformServices.h"
#include "app/ProcessWide.h"
#include "app/ProgramInstances.h"
#include "app/TWProgress.h"
#include "platform/messages/Messages.h"
#include "platform/messages/Progress.h"

#include <QString>

#include <functional>

class TSpecData;
class TWAbout;
class TWMain;
class TWSumTruba;

// What a session may be told to do otherwise than the program does: tests
// point it at a database of their own, catch the workbooks the spreadsheet
// stand-in writes and keep the messages to themselves.
struct SessionOptions {
    // Empty: spec_base.mdb beside the executable.
    QString connectionString = {};
    PlatformOptions platform = {};
    // Where the program's messages go; nullptr: modal message boxes.
    messages::MessageService* messages = nullptr;
    // Told the name of each process-wide instance as it is created.
    std::function<void(const QString& name)> created = {};
};

// The running program: the platform's automation, the services the lower
// layers reach (messages, progress) and the four process-wide instances
// (ProgramInstances), each a member, declared in the order they depend on one
// another, so that they are destroyed in the reverse order by themselves.
class Session {
public:
    explicit Session(SessionOptions options = {});
    ~Session();
    Session(const Session&) = delete;
    Session& operator=(const Session&) = delete;

    TWMain& mainWindow() const { return m_instances.mainWindow(); }
    TSpecData& data() const { return m_instances.data(); }
    TWSumTruba& totalsWindow() const { return m_instances.totalsWindow(); }
    TWAbout& aboutBox() const { return m_instances.aboutBox(); }
    const TWProgress& progressWindow() const { return m_progressWindow; }
    TWProgress& progressWindow() { return m_progressWindow; }

private:
    SessionOptions m_options;
    PlatformServices m_platform;
    ModalMessageService m_messageBoxes;
    Installed<messages::MessageService*> m_messages;
    ProgramInstances m_instances;
    TWProgress m_progressWindow;
    Installed<progress::Display*> m_progress;
};
