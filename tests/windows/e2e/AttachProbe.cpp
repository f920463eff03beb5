// The attach's first step, as the program takes it, asked from inside the
// Wine prefix: which CAD of the program's table runs (CadApplications), and
// whether it says it is idle when asked by the names that CAD gives the
// question.
//
//   vedoris_wine_attach.exe FILE         writes "<CAD>\t<1 idle | 0 busy>" in UTF-8
//   vedoris_wine_attach.exe --list FILE  writes the table: "<CAD>\t<ProgID>", one
//                                        a line, in the order the attach tries them
//
// Exit codes: 0 found; 1 no CAD of the table runs, or it did not answer; 2 a
// usage error. Needs Qt's core DLL on the path (WINEPATH).
#include "cad/CadApplications.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ComObjects.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace automation;

namespace {

// What the CAD's idle query answers, by its names in the table's order and
// then by its dispatch identifier, as the program tries them.
Variant idleState(const Variant& application, const CadApplication& cad)
{
    for (const std::u16string& name : cad.idleQueries) {
        try {
            return get(application, name);
        } catch (const AutomationError& e) {
            const bool unknown = e.code() == hr::Disp_E_UnknownName || e.code() == hr::Disp_E_MemberNotFound;
            if (!unknown || (&name == &cad.idleQueries.back() && !cad.idleQueryId))
                throw;
        }
    }
    return invokeById(application, *cad.idleQueryId, InvokeKind::MethodOrGet, {});
}

} // namespace

int main()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    const bool list = count == 3 && std::wstring(args[1]) == L"--list";
    if (count != 2 && !list) {
        ::LocalFree(args);
        std::fputs("usage: vedoris_wine_attach [--list] FILE\n", stderr);
        return 2;
    }
    const std::wstring file = args[count - 1];
    ::LocalFree(args);
    if (list) {
        std::ofstream table(file.c_str(), std::ios::binary);
        for (const CadApplication& cad : CadApplications())
            for (const std::u16string& progId : cad.progIds)
                table << toUtf8(cad.name) << '\t' << toUtf8(progId) << '\n';
        return table ? 0 : 1;
    }

    com::Apartment apartment;
    setObjectBackend(com::makeObjectBackend());
    try {
        const std::optional<RunningCad> running = FindRunningCad();
        if (!running) {
            std::fputs("attach: no CAD of the table runs\n", stderr);
            return 1;
        }
        const Variant application = Variant::dispatch(running->application);
        const bool idle = get(idleState(application, *running->cad), u"IsQuiescent").toBool();
        std::ofstream(file.c_str(), std::ios::binary) << toUtf8(running->cad->name) << '\t' << (idle ? 1 : 0);
        setObjectBackend(nullptr);
        return 0;
    } catch (const CallFailure& e) {
        std::fprintf(stderr, "attach: %s\n", e.what());
        setObjectBackend(nullptr);
        return 1;
    }
}
