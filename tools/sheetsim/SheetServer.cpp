#include "sheetsim/SheetServer.h"

#include "platform/automation/AsciiCase.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/com/ClassObject.h"
#include "platform/automation/com/MessageFilter.h"
#include "platform/automation/publish/Publish.h"
#include "platform/sheet/StandIn.h"

#include <windows.h>

#include <cstdio>
#include <memory>

namespace sheetsim {

namespace {

constexpr UINT checkPeriodMs = 200;

std::u16string quoted(const std::u16string& text) { return u"\"" + text + u"\""; }

} // namespace

std::u16string serverCommand(const std::u16string& program, const QString& folder, BusyAfterCells busy,
                             const QString& callCountFile)
{
    std::u16string command = quoted(program);
    if (!folder.isEmpty())
        command += u" --folder " + quoted(folder.toStdU16String());
    if (busy.cells > 0)
        command += u" --busy-after-cells " + QString::number(busy.cells).toStdU16String() + u" "
            + QString::number(busy.ms).toStdU16String();
    if (!callCountFile.isEmpty())
        command += u" --count-calls " + quoted(callCountFile.toStdU16String());
    return command;
}

namespace {

// When the stand-in refuses calls: counted by the cells written into it.
class CellPace {
public:
    explicit CellPace(BusyAfterCells busy) : m_busy(busy) {}

    void cellWritten()
    {
        if (m_busy.cells > 0 && ++m_written % m_busy.cells == 0)
            m_refuseUntil = ::GetTickCount64() + ULONGLONG(m_busy.ms);
    }
    bool refusing() const { return ::GetTickCount64() < m_refuseUntil; }

private:
    BusyAfterCells m_busy;
    long long m_written = 0;
    ULONGLONG m_refuseUntil = 0;
};

// The stand-in's objects as its clients see them, each cell written counted;
// every object it hands out is seen the same way.
class CountingCells final : public automation::Dispatch {
public:
    CountingCells(automation::DispatchRef inner, std::shared_ptr<CellPace> pace)
        : m_inner(std::move(inner)), m_pace(std::move(pace))
    {
    }

    automation::Variant invoke(std::u16string_view member, automation::InvokeKind kind, automation::Args args) override
    {
        automation::Variant result = m_inner->invoke(member, kind, args);
        if (kind == automation::InvokeKind::PropertyPut
            && automation::equalIgnoringAsciiCase(member, std::u16string_view(u"Cells")))
            m_pace->cellWritten();
        if (result.isDispatch())
            return automation::Variant::dispatch(std::make_shared<CountingCells>(result.toDispatch(), m_pace));
        return result;
    }

private:
    automation::DispatchRef m_inner;
    std::shared_ptr<CellPace> m_pace;
};

} // namespace

int serve(const QString& folder, unsigned idleLimitMs, BusyAfterCells busy)
{
    sheet::StandInOptions options;
    options.folder = folder;
    options.opener = [](const QString&) {};
    // Shared with the factory, which COM may hold a moment longer than this call.
    auto served = std::make_shared<bool>(false);
    auto pace = std::make_shared<CellPace>(busy);

    automation::Registration registration;
    try {
        registration = automation::publishClass(ProgId, [options, served, pace]() -> automation::DispatchRef {
            *served = true;
            return std::make_shared<CountingCells>(sheet::createStandIn(options), pace);
        });
    } catch (const automation::PublishError& e) {
        std::fprintf(stderr, "sheetsim: %s\n", e.what());
        return 1;
    }

    // Refusals travel through COM's channel, before a call reaches an object
    // (the registration has put this thread into its apartment).
    const automation::com::MessageFilter refuseWhileBusy([pace] { return pace->refusing(); });

    // Calls from clients arrive through this thread's messages. Between two
    // of them the timer looks whether anything is still held; the check and
    // the revocation run on this thread too, so no creation slips in between.
    const UINT_PTR timer = ::SetTimer(nullptr, 0, checkPeriodMs, nullptr);
    const ULONGLONG started = ::GetTickCount64();
    MSG message;
    while (::GetMessageW(&message, nullptr, 0, 0) > 0) {
        if (message.message == WM_TIMER && message.hwnd == nullptr) {
            const bool done = *served ? automation::com::heldByClients() == 0
                                     : ::GetTickCount64() - started > idleLimitMs;
            if (done)
                break;
            continue;
        }
        ::TranslateMessage(&message);
        ::DispatchMessageW(&message);
    }
    ::KillTimer(nullptr, timer);
    registration.revoke();
    return 0;
}

} // namespace sheetsim
