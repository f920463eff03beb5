// What the end-to-end test asks inside the Wine prefix, as any other
// Windows program would see it:
//
//   vedoris_wine_probe.exe selection FILE [PROGID]
//                                           the running CAD's pickfirst
//                                           selection: handle and ObjectID of
//                                           each entity, one a line; the CAD
//                                           found by PROGID, AutoCAD's by default
//   vedoris_wine_probe.exe clipboard FILE   the clipboard's text
//
// Answers are written to FILE in UTF-8. Exit codes: 0 answered; 1 nothing to
// answer (no CAD running, no text on the clipboard); 2 a usage error.
#include "platform/automation/AutomationError.h"
#include "platform/automation/Utf8.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/com/Apartment.h"
#include "platform/automation/com/ComObjects.h"

#include <windows.h>

#include <shellapi.h>

#include <cstdio>
#include <fstream>
#include <string>

using namespace automation;

namespace {

int answerSelection(std::string& answer, const std::u16string& progId)
{
    try {
        const Variant application = Variant::dispatch(com::activeObject(progId));
        const Variant selection = get(get(application, u"ActiveDocument"), u"PickfirstSelectionSet");
        const int32_t count = get(selection, u"Count").toI4();
        for (int32_t i = 0; i < count; ++i) {
            const Variant entity = call(selection, u"Item", Variant::i4(i));
            answer += toUtf8(get(entity, u"Handle").toBStr()) + "\t"
                      + std::to_string(get(entity, u"ObjectID").toI8()) + "\n";
        }
        return 0;
    } catch (const CallFailure& e) {
        std::fprintf(stderr, "probe: %s\n", e.what());
        return 1;
    }
}

int answerClipboard(std::string& answer)
{
    if (!::OpenClipboard(nullptr))
        return 1;
    int status = 1;
    if (HANDLE data = ::GetClipboardData(CF_UNICODETEXT)) {
        if (const auto* text = static_cast<const char16_t*>(::GlobalLock(data))) {
            answer = toUtf8(text);
            status = 0;
            ::GlobalUnlock(data);
        }
    }
    ::CloseClipboard();
    return status;
}

} // namespace

int main()
{
    ::SetErrorMode(SEM_FAILCRITICALERRORS | SEM_NOGPFAULTERRORBOX);
    int count = 0;
    LPWSTR* args = ::CommandLineToArgvW(::GetCommandLineW(), &count);
    if (count != 3 && count != 4) {
        ::LocalFree(args);
        std::fputs("usage: vedoris_wine_probe selection|clipboard FILE [PROGID]\n", stderr);
        return 2;
    }
    const std::wstring question = args[1];
    const std::wstring file = args[2];
    const std::wstring progId = count == 4 ? args[3] : L"AutoCAD.Application";
    ::LocalFree(args);

    com::Apartment apartment;
    std::string answer;
    int status = 2;
    if (question == L"selection")
        status = answerSelection(answer, std::u16string(progId.begin(), progId.end()));
    else if (question == L"clipboard")
        status = answerClipboard(answer);
    if (status == 0)
        std::ofstream(file.c_str(), std::ios::binary) << answer;
    return status;
}
