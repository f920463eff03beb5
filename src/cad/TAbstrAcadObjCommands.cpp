// Commands to the running CAD application: bringing its window forward and
// sending command-line input.

#include "cad/CadEnvironment.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/Dispatch.h"
#include "platform/messages/Progress.h"
#include "platform/os/WindowSystem.h"

using automation::Variant;

namespace {

// Window titles take part with at most 254 characters, as the Windows title
// buffer of 255 with its terminating null reads them.
constexpr qsizetype TitleLimit = 254;

} // namespace

void TAbstrAcadObj::ActivateCadWindow()
{
    const QString caption = QString::fromStdU16String(automation::get(m_application, u"Caption").toBStr());
    if (caption.isEmpty())
        return; // an empty caption is contained in no title
    os::WindowSystem& windows = os::windowSystem();
    for (const os::TopLevelWindow& window : windows.windowsInZOrder()) {
        if (window.title.left(TitleLimit).contains(caption, Qt::CaseSensitive)) {
            windows.setForeground(window.id);
            return;
        }
    }
}

bool TAbstrAcadObj::IsQuiescent()
{
    const Variant state = automation::get(m_application, u"GetAcadState");
    return automation::get(state, u"IsQuiescent").toBool();
}

void TAbstrAcadObj::WaitUntilQuiescent()
{
    // No time-out: a command waiting for its user's input keeps us waiting
    // until the user ends or cancels it there. What the program waits for is
    // said once the CAD has answered that it is not idle, not before.
    const CadEnvironment& environment = cadEnvironment();
    bool told = false;
    for (;;) {
        environment.sleepMilliseconds(PollMilliseconds);
        // Its user may stop the command instead, between two questions.
        progress::throwIfCancelled();
        if (IsQuiescent())
            return;
        if (!told)
            progress::stage(BusyText());
        told = true;
    }
}

void TAbstrAcadObj::RunCommand(const QString& command)
{
    // Text sent while the user is at a prompt of a command of their own would
    // become input to that command: it goes only to an idle CAD.
    if (!IsQuiescent()) {
        progress::stage(BusyText());
        WaitUntilQuiescent();
    }

    // Passed by reference, as the CAD application's SendCommand takes it;
    // whatever it writes back is of no interest.
    Variant text = Variant::bstr(command.toStdU16String());
    automation::call(m_document, u"SendCommand", automation::Arg::ref(text));

    // The command runs asynchronously in the CAD application; wait until it
    // says it is idle.
    WaitUntilQuiescent();
}
