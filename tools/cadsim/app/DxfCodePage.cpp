#include "cadsim/app/DxfCodePage.h"

#include "platform/automation/AsciiCase.h"

namespace cadsim {

namespace {

// Every value of $DWGCODEPAGE a CAD writes. The converters do the decoding;
// this table only names the pages.
constexpr CodePage codePages[] = {
    {"ANSI_874", "CP874", 874},       {"ANSI_932", "CP932", 932},       {"ANSI_936", "CP936", 936},
    {"ANSI_949", "CP949", 949},       {"ANSI_950", "CP950", 950},       {"ANSI_1250", "CP1250", 1250},
    {"ANSI_1251", "CP1251", 1251},    {"ANSI_1252", "CP1252", 1252},    {"ANSI_1253", "CP1253", 1253},
    {"ANSI_1254", "CP1254", 1254},    {"ANSI_1255", "CP1255", 1255},    {"ANSI_1256", "CP1256", 1256},
    {"ANSI_1257", "CP1257", 1257},    {"ANSI_1258", "CP1258", 1258},    {"DOS437", "CP437", 437},
    {"DOS850", "CP850", 850},         {"DOS852", "CP852", 852},         {"DOS855", "CP855", 855},
    {"DOS857", "CP857", 857},         {"DOS860", "CP860", 860},         {"DOS861", "CP861", 861},
    {"DOS863", "CP863", 863},         {"DOS864", "CP864", 864},         {"DOS865", "CP865", 865},
    {"DOS866", "CP866", 866},         {"DOS869", "CP869", 869},         {"MACINTOSH", "MACINTOSH", 10000},
    {"ISO8859-1", "ISO-8859-1", 28591}, {"ISO8859-2", "ISO-8859-2", 28592}, {"ISO8859-3", "ISO-8859-3", 28593},
    {"ISO8859-4", "ISO-8859-4", 28594}, {"ISO8859-5", "ISO-8859-5", 28595}, {"ISO8859-6", "ISO-8859-6", 28596},
    {"ISO8859-7", "ISO-8859-7", 28597}, {"ISO8859-8", "ISO-8859-8", 28598}, {"ISO8859-9", "ISO-8859-9", 28599},
    {"ISO8859-10", "ISO-8859-10", 28600},
    // Names other programs write for the Russian DOS page.
    {"ANSI_866", "CP866", 866},       {"CP866", "CP866", 866},
};

} // namespace

const CodePage* findCodePage(std::string_view dwgCodePage)
{
    for (const CodePage& page : codePages)
        if (automation::equalIgnoringAsciiCase<char>(dwgCodePage, page.dxfName))
            return &page;
    return nullptr;
}

const CodePage& defaultCodePage()
{
    static const CodePage* const page = findCodePage("ANSI_1252");
    return *page;
}

} // namespace cadsim
