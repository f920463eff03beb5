// Commands to the running CAD application: bringing its window forward and
// sending command-line input.

#include "cad/CadApplications.h"
#include "cad/CadEnvironment.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
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

Variant TAbstrAcadObj::idleState()
{
    const std::vector<std::u16string>& names = m_cad->idleQueries;
    const int byId = int(names.size());
    if (m_idleQuery >= 0 && m_idleQuery < byId)
        return automation::get(m_application, names[size_t(m_idleQuery)]);
    if (m_idleQuery == byId)
        return automation::invokeById(m_application, *m_cad->idleQueryId, automation::InvokeKind::MethodOrGet, {});

    // The first question finds the name this CAD knows the query by. A name
    // it does not know is no failure yet: the next one, and then the
    // identifier, are tried; the last answer stands.
    for (int i = 0; i < byId; ++i) {
        const bool last = i + 1 == byId && !m_cad->idleQueryId;
        try {
            Variant state = automation::get(m_application, names[size_t(i)]);
            m_idleQuery = i;
            return state;
        } catch (const automation::AutomationError& e) {
            if (last || (e.code() != automation::hr::Disp_E_UnknownName
                         && e.code() != automation::hr::Disp_E_MemberNotFound))
                throw;
        }
    }
    Variant state = automation::invokeById(m_application, *m_cad->idleQueryId, automation::InvokeKind::MethodOrGet, {});
    m_idleQuery = byId;
    return state;
}

bool TAbstrAcadObj::IsQuiescent()
{
    return automation::get(idleState(), u"IsQuiescent").toBool();
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
