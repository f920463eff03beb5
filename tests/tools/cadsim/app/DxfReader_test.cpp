#include "cadsim/app/DxfReader.h"
#include "cadsim/app/DxfText.h"
#include "platform/automation/Utf8.h"

#include <gtest/gtest.h>

#include <iconv.h>

#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

using namespace cadsim;
using automation::Variant;

namespace {

using Groups = std::vector<std::pair<int, std::string>>;

std::string dxf(const Groups& groups, const char* lineEnd = "\n")
{
    std::string out;
    for (const auto& [code, value] : groups)
        out += std::to_string(code) + lineEnd + value + lineEnd;
    return out;
}

Groups header(const std::string& version, const std::string& codePage)
{
    return {{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, version}, {9, "$DWGCODEPAGE"}, {3, codePage},
            {0, "ENDSEC"}};
}

Groups entities(const Groups& body)
{
    Groups g = {{0, "SECTION"}, {2, "ENTITIES"}};
    g.insert(g.end(), body.begin(), body.end());
    g.push_back({0, "ENDSEC"});
    g.push_back({0, "EOF"});
    return g;
}

Groups operator+(Groups a, const Groups& b)
{
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

const XDataGroup& xdata(const Entity& e, std::u16string_view app)
{
    const XDataGroup* group = e.xdataFor(app);
    if (!group)
        throw std::runtime_error("no extended data for the application");
    return *group;
}

Variant point(double x, double y, double z) { return Variant::array({Variant::r8(x), Variant::r8(y), Variant::r8(z)}); }

TEST(DxfReader, ReadsTheSampleDrawing)
{
    const Drawing d = readDxfFile(VEDORIS_SAMPLES_DIR "/pipes.dxf");
    EXPECT_EQ(d.name(), u"pipes.dxf");

    const Layer* cold = d.layer(u"Трубы_ХВС");
    ASSERT_NE(cold, nullptr);
    EXPECT_EQ(*cold, (Layer{u"Трубы_ХВС", false, false, true}));
    EXPECT_EQ(*d.layer(u"Трубы_Отопление"), (Layer{u"Трубы_Отопление", true, false, true}));
    EXPECT_EQ(*d.layer(u"Оборудование"), (Layer{u"Оборудование", false, false, false}));
    EXPECT_EQ(*d.layer(u"Архив"), (Layer{u"Архив", false, true, true}));

    // Eight pipes, three other solids, a line; the paper-space frame and the
    // block definition's line are not model space.
    ASSERT_EQ(d.entities().size(), 12u);
    const Entity& first = d.entities().front();
    EXPECT_EQ(first.dxfName, u"3DSOLID");
    EXPECT_EQ(first.handle, u"1F1");
    EXPECT_EQ(first.layer, u"Трубы_ХВС");
    EXPECT_EQ(xdata(first, u"trb").items,
              (std::vector<XDataItem>{{1070, Variant::i2(10)}, {1010, point(6000, 28.5, 25)}}));

    const Entity& third = d.entities()[2];
    ASSERT_EQ(third.xdata.size(), 2u);
    EXPECT_EQ(third.xdata[1].application, u"PIPE_INFO");
    EXPECT_EQ(third.xdata[1].items,
              (std::vector<XDataItem>{{1000, Variant::bstr(u"Стояк Ст-1 Ø76×3,5")},
                                      {1040, Variant::r8(1.5)},
                                      {1071, Variant::i4(2024)}}));

    EXPECT_EQ(d.entities()[10].xdata[0].items[0], (XDataItem{1071, Variant::i4(10)}));
    EXPECT_EQ(d.entities()[11].dxfName, u"LINE");
    EXPECT_EQ(d.entities()[11].layer, u"Размеры");
    EXPECT_EQ(d.fingerprint(), u"{2F9C5E7A-3B41-4D8E-9A1C-6E0B7D52C4F3}");
}

// The drawing's identity is the header's $FINGERPRINTGUID; a value that is
// no GUID leaves the drawing without one, whatever else the header says.
TEST(DxfReader, TakesTheDrawingsIdentityFromItsHeader)
{
    struct Case {
        const char* name;
        Groups head;
        std::u16string expected;
    };
    const auto withFingerprint = [](std::string value) {
        return Groups{{0, "SECTION"}, {2, "HEADER"}, {9, "$FINGERPRINTGUID"}, {2, std::move(value)}, {0, "ENDSEC"}};
    };
    const Case cases[] = {
        {"alone", withFingerprint("{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}"), u"{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}"},
        {"after the version and code page",
         header("AC1015", "ANSI_1251") + withFingerprint("{0c1d2e3f-4a5b-4c6d-9e8f-7a6b5c4d3e2f}"),
         u"{0c1d2e3f-4a5b-4c6d-9e8f-7a6b5c4d3e2f}"},
        {"none", header("AC1015", "ANSI_1251"), u""},
        {"not a GUID", withFingerprint("{6A0E2B1C\")\"(command \"ERASE\"}"), u""},
        {"far too long", withFingerprint(std::string(65, 'A')), u""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(readDxf(dxf(c.head + entities({{0, "LINE"}, {8, "0"}}))).fingerprint(), c.expected);
    }
}

struct TextCase {
    const char* name;
    Groups head;
    std::string layerBytes;
    std::u16string expected;
};

class DxfTexts : public testing::TestWithParam<TextCase> {};

TEST_P(DxfTexts, DecodeLayerNamesAsTheFileSays)
{
    const TextCase& c = GetParam();
    const Drawing d = readDxf(dxf(c.head + entities({{0, "LINE"}, {5, "A1"}, {8, c.layerBytes}})));
    ASSERT_EQ(d.entities().size(), 1u);
    EXPECT_EQ(d.entities()[0].layer, c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Encodings, DxfTexts,
    testing::Values(
        TextCase{"Ansi1251", header("AC1015", "ANSI_1251"), "\xD2\xF0\xF3\xE1\xFB_\xD5\xC2\xD1", u"Трубы_ХВС"},
        TextCase{"Ansi1252", header("AC1015", "ANSI_1252"), "Gr\xF6\xDF" "e", u"Größe"},
        TextCase{"Dos866", header("AC1009", "DOS866"), "\x92\xE0\xE3\xA1\xEB", u"Трубы"},
        TextCase{"EscapesOutsideTheCodePage", header("AC1015", "ANSI_1251"), "\\U+00D857 \\u+00d7 \\U+00GG",
                 u"Ø57 × \\U+00GG"},
        TextCase{"Utf8From2007On", header("AC1021", "ANSI_1251"), "Трубы_ГВС", u"Трубы_ГВС"},
        TextCase{"Utf8WithEscapes", header("AC1032", "ANSI_1252"), "Ст-1 \\U+2300", u"Ст-1 ⌀"},
        TextCase{"UnknownCodePageFallsBackTo1252", header("AC1015", "ANSI_9999"), "caf\xE9", u"café"},
        TextCase{"NoHeaderUtf8", {}, "Трубы", u"Трубы"},
        TextCase{"NoHeaderNotUtf8", {}, "caf\xE9", u"café"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DxfReader, ReadsCrLfAndLfAlike)
{
    const Groups g = header("AC1015", "ANSI_1251")
                     + entities({{0, "3DSOLID"}, {5, "2A"}, {8, "P"}, {1001, "trb"}, {1070, "10"},
                                 {1010, "1000.0"}, {1020, "25.0"}, {1030, "20.0"}});
    const Drawing lf = readDxf(dxf(g, "\n"));
    const Drawing crlf = readDxf("\xEF\xBB\xBF" + dxf(g, "\r\n"));
    ASSERT_EQ(crlf.entities().size(), 1u);
    EXPECT_EQ(crlf.entities(), lf.entities());
    EXPECT_EQ(crlf.entities()[0].layer, u"P");
}

TEST(DxfReader, KeepsEveryApplicationsDataInOrderWithTheirTypes)
{
    const Drawing d = readDxf(dxf(entities({
        {0, "3DSOLID"}, {5, "2A"}, {8, "P"},
        {1070, "99"}, // before any application: belongs to none
        {1001, "ACAD"}, {1000, "note"}, {1002, "{"}, {1070, "-5"}, {1002, "}"},
        {1001, "trb"}, {1070, "10"}, {1010, "1"}, {1020, "2"}, {1030, "3"}, {1010, "4"}, {1020, "5"},
        {1041, "+2.5"}, {1071, "-2147483648"}, {1011, "7"}, {1021, "8"}, {1031, "9"}, {1099, "unknown"},
        {1001, "PIPE_INFO"}, {1005, "1F1"}, {1040, "1e3"},
    })));
    ASSERT_EQ(d.entities().size(), 1u);
    const Entity& e = d.entities()[0];
    ASSERT_EQ(e.xdata.size(), 3u);
    EXPECT_EQ(e.xdata[0].application, u"ACAD");
    EXPECT_EQ(e.xdata[0].items, (std::vector<XDataItem>{{1000, Variant::bstr(u"note")},
                                                         {1002, Variant::bstr(u"{")},
                                                         {1070, Variant::i2(-5)},
                                                         {1002, Variant::bstr(u"}")}}));
    EXPECT_EQ(e.xdata[1].items, (std::vector<XDataItem>{{1070, Variant::i2(10)},
                                                         {1010, point(1, 2, 3)},
                                                         {1010, point(4, 5, 0)}, // no 1030: Z is 0
                                                         {1041, Variant::r8(2.5)},
                                                         {1071, Variant::i4(INT32_MIN)},
                                                         {1011, point(7, 8, 9)}}));
    EXPECT_EQ(e.xdata[2].items, (std::vector<XDataItem>{{1005, Variant::bstr(u"1F1")}, {1040, Variant::r8(1000)}}));
}

TEST(DxfReader, LeavesOutPaperSpaceBlocksSubEntitiesAndWhatItDoesNotKnow)
{
    const Groups g = Groups{{999, "a comment"}, {0, "SECTION"}, {2, "THUMBNAILIMAGE"}, {90, "3"}, {310, "FFFF"},
                            {0, "ENDSEC"}, {0, "SECTION"}, {2, "BLOCKS"}, {0, "BLOCK"}, {2, "B"},
                            {0, "LINE"}, {5, "B1"}, {8, "InBlock"}, {0, "ENDBLK"}, {0, "ENDSEC"},
                            {0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "STYLE"}, {0, "STYLE"}, {2, "Standard"},
                            {70, "not a number in a table nobody reads"}, {0, "ENDTAB"}, {0, "ENDSEC"}}
                     + entities({{0, "LINE"}, {5, "10"}, {67, "1"}, {8, "Sheet"},
                                 {0, "POLYLINE"}, {5, "11"}, {8, "M"}, {66, "1"},
                                 {0, "VERTEX"}, {5, "12"}, {8, "M"}, {0, "SEQEND"}, {5, "13"}, {8, "M"},
                                 {0, "3DSOLID"}, {5, "14"}, {102, "{ACAD_XDICTIONARY"}, {360, "15"}, {102, "}"},
                                 {100, "AcDbEntity"}, {8, "M"}, {100, "AcDbModelerGeometry"}, {70, "1"},
                                 {1, "^*+ ~ } ~"}, {3, "more ACIS"}, {290, "1"}, {2, "{GUID}"}});
    const Drawing d = readDxf(dxf(g));
    ASSERT_EQ(d.entities().size(), 2u);
    EXPECT_EQ(d.entities()[0].dxfName, u"POLYLINE");
    EXPECT_EQ(d.entities()[1].handle, u"14");
    EXPECT_EQ(d.layer(u"InBlock"), nullptr);
    EXPECT_EQ(d.layer(u"Sheet"), nullptr);
}

TEST(DxfReader, EntitiesWithoutAHandleGetOneAndObjectIdsAreHandedOutInOrder)
{
    const Drawing d = readDxf(dxf(entities({{0, "LINE"}, {8, "A"}, {0, "CIRCLE"}, {8, "A"}})));
    ASSERT_EQ(d.entities().size(), 2u);
    EXPECT_FALSE(d.entities()[0].handle.empty());
    EXPECT_NE(d.entities()[0].handle, d.entities()[1].handle);
    EXPECT_LT(d.entities()[0].objectId, d.entities()[1].objectId);
}

struct MalformedCase {
    const char* name;
    std::string content;
    int line;
    const char* says;
};

class MalformedDxf : public testing::TestWithParam<MalformedCase> {};

TEST_P(MalformedDxf, IsAnErrorNamingTheLine)
{
    const MalformedCase& c = GetParam();
    try {
        readDxf(c.content);
        FAIL() << "no error";
    } catch (const DxfError& e) {
        EXPECT_EQ(e.line(), c.line);
        EXPECT_NE(std::string(e.what()).find("line " + std::to_string(c.line) + ": "), std::string::npos) << e.what();
        EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << e.what();
    }
}

INSTANTIATE_TEST_SUITE_P(
    Refused, MalformedDxf,
    testing::Values(
        MalformedCase{"OddLineCount", "0\nSECTION\n2\nENTITIES\n0\n", 5, "odd number of lines"},
        MalformedCase{"GroupCodeNotANumber", "0\nSECTION\nabc\nENTITIES\n", 3, "'abc' is not a number"},
        MalformedCase{"ValueLineTakenForACode", "0\nSECTION\n2\nENTITIES\n0\nLINE\nLINE\n8\n", 7, "not a number"},
        MalformedCase{"KindNotAnInteger", dxf(entities({{0, "3DSOLID"}, {1001, "trb"}, {1070, "ten"}})), 10,
                      "'ten' of group 1070 is not an integer"},
        MalformedCase{"KindOutOfRange", dxf(entities({{0, "3DSOLID"}, {1001, "trb"}, {1070, "40000"}})), 10,
                      "out of range"},
        MalformedCase{"PointNotANumber", dxf(entities({{0, "3DSOLID"}, {1001, "trb"}, {1010, "1"}, {1020, "2,5"}})),
                      12, "'2,5' of group 1020 is not a number"},
        MalformedCase{"LayerFlagsNotANumber",
                      dxf({{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, "A"}, {70, "x"}}),
                      14, "group 70"},
        MalformedCase{"DuplicateHandle", dxf(entities({{0, "LINE"}, {5, "A1"}, {0, "LINE"}, {5, "a1"}})), 9,
                      "LINE entity cannot be added"},
        MalformedCase{"BinaryDxf", std::string("AutoCAD Binary DXF\r\n\x1a\0", 22), 1, "binary"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST(DxfReader, AFileThatCannotBeOpenedIsAnErrorWithoutALine)
{
    try {
        readDxfFile("/nonexistent/drawing.dxf");
        FAIL() << "no error";
    } catch (const DxfError& e) {
        EXPECT_EQ(e.line(), 0);
        EXPECT_NE(std::string(e.what()).find("/nonexistent/drawing.dxf"), std::string::npos);
    }
}

TEST(DxfText, KnowsTheCodePagesByTheirCadNames)
{
    ASSERT_NE(findCodePage("ANSI_1251"), nullptr);
    EXPECT_EQ(findCodePage("ANSI_1251")->windowsNumber, 1251u);
    EXPECT_EQ(findCodePage("ansi_1252"), &defaultCodePage());
    EXPECT_EQ(findCodePage("DOS866")->iconvName, "CP866");
    EXPECT_EQ(findCodePage("ANSI_932")->windowsNumber, 932u);
    EXPECT_EQ(findCodePage("ISO8859-10")->windowsNumber, 28600u);
    EXPECT_EQ(findCodePage("ANSI_9999"), nullptr);
    EXPECT_EQ(findCodePage(""), nullptr);
    EXPECT_TRUE(storesUtf8("AC1021"));
    EXPECT_TRUE(storesUtf8("AC1032"));
    EXPECT_FALSE(storesUtf8("AC1018"));
    EXPECT_FALSE(storesUtf8("AC1009"));
}

// Bytes of a text in a code page, as another program would write them.
std::string encodeWithIconv(const std::string& utf8, const char* iconvName)
{
    iconv_t cd = iconv_open(iconvName, "UTF-8");
    if (cd == iconv_t(-1))
        throw std::runtime_error(std::string("iconv cannot write ") + iconvName);
    std::string out(utf8.size() * 4 + 8, '\0');
    char* in = const_cast<char*>(utf8.data());
    size_t inLeft = utf8.size();
    char* outPtr = out.data();
    size_t outLeft = out.size();
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    if (result == size_t(-1))
        throw std::runtime_error(std::string("not representable in ") + iconvName);
    out.resize(out.size() - outLeft);
    return out;
}

struct CodePageCase {
    const char* dwgCodePage;
    const char* iconvName;
    const char* layer; // UTF-8, in a script the code page holds
};

class LayerNameInCodePage : public testing::TestWithParam<CodePageCase> {};

TEST_P(LayerNameInCodePage, IsReadBackExactly)
{
    const CodePageCase& c = GetParam();
    const std::string bytes = encodeWithIconv(c.layer, c.iconvName);
    const Groups tables = {{0, "SECTION"}, {2, "TABLES"}, {0, "TABLE"}, {2, "LAYER"}, {0, "LAYER"}, {2, bytes},
                           {70, "0"},      {62, "7"},     {0, "ENDTAB"}, {0, "ENDSEC"}};
    std::string note;
    const Drawing d = readDxf(dxf(header("AC1015", c.dwgCodePage) + tables + entities({{0, "LINE"}, {8, bytes}})),
                              u"d.dxf", &note);
    const std::u16string expected = automation::fromUtf8(c.layer);
    ASSERT_EQ(d.layers().size(), 1u);
    EXPECT_EQ(d.layers()[0].name, expected);
    ASSERT_EQ(d.entities().size(), 1u);
    EXPECT_EQ(d.entities()[0].layer, expected);
    EXPECT_TRUE(note.empty()) << note;
}

INSTANTIATE_TEST_SUITE_P(
    EveryCodePage, LayerNameInCodePage,
    testing::Values(CodePageCase{"ANSI_874", "CP874", "ท่อน้ำ"}, CodePageCase{"ANSI_932", "CP932", "配管_給水"},
                    CodePageCase{"ANSI_936", "CP936", "管道_供水"}, CodePageCase{"ANSI_949", "CP949", "배관_급수"},
                    CodePageCase{"ANSI_950", "CP950", "管道_給水"},
                    CodePageCase{"ANSI_1250", "CP1250", "Potrubí_čtvercové"},
                    CodePageCase{"ANSI_1251", "CP1251", "Трубы_ХВС"}, CodePageCase{"ANSI_1252", "CP1252", "Tuyaux_été"},
                    CodePageCase{"ANSI_1253", "CP1253", "Σωλήνες"}, CodePageCase{"ANSI_1254", "CP1254", "Boru_şebekesi"},
                    CodePageCase{"ANSI_1255", "CP1255", "צינורות"}, CodePageCase{"ANSI_1256", "CP1256", "أنابيب"},
                    CodePageCase{"ANSI_1257", "CP1257", "Vamzdžiai_ūkis"},
                    CodePageCase{"ANSI_1258", "CP1258", "Đơn_Ưu"}, CodePageCase{"DOS437", "CP437", "Röhre_½"},
                    CodePageCase{"DOS850", "CP850", "Tubería_ñ"}, CodePageCase{"DOS852", "CP852", "Rury_żółte"},
                    CodePageCase{"DOS855", "CP855", "Цеви_ђ"}, CodePageCase{"DOS857", "CP857", "Boru_ğ"},
                    CodePageCase{"DOS860", "CP860", "Tubulação"}, CodePageCase{"DOS861", "CP861", "Rör_þ"},
                    CodePageCase{"DOS863", "CP863", "Tuyau_è"}, CodePageCase{"DOS864", "CP864", "ﺃﻧﺎﺑ_١٢"},
                    CodePageCase{"DOS865", "CP865", "Rør_ø"}, CodePageCase{"DOS866", "CP866", "Трубы_ГВС"},
                    CodePageCase{"DOS869", "CP869", "Σωλήνας"}, CodePageCase{"MACINTOSH", "MACINTOSH", "Tuyaux_ç"},
                    CodePageCase{"ISO8859-1", "ISO-8859-1", "Rohr_ß"}, CodePageCase{"ISO8859-2", "ISO-8859-2", "Cső_ő"},
                    CodePageCase{"ISO8859-3", "ISO-8859-3", "Pajp_ħ"}, CodePageCase{"ISO8859-4", "ISO-8859-4", "Caurule_ķ"},
                    CodePageCase{"ISO8859-5", "ISO-8859-5", "Трубы"}, CodePageCase{"ISO8859-6", "ISO-8859-6", "أنابيب"},
                    CodePageCase{"ISO8859-7", "ISO-8859-7", "Σωλήνες"}, CodePageCase{"ISO8859-8", "ISO-8859-8", "צינור"},
                    CodePageCase{"ISO8859-9", "ISO-8859-9", "Boru_ı"}, CodePageCase{"ISO8859-10", "ISO-8859-10", "Rør_ŋ"}),
    [](const testing::TestParamInfo<CodePageCase>& info) {
        std::string name = info.param.dwgCodePage;
        for (char& ch : name)
            if (ch == '-')
                ch = '_';
        return name;
    });

// A code page the drawing does not give where its texts need one is read as
// ANSI_1252, and the reader says so.
TEST(DxfText, AnUnknownOrMissingCodePageIsReadAs1252AndSaid)
{
    struct Case {
        const char* name;
        Groups head;
        std::string expectedNote;
    };
    const Groups noCodePage = {{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1015"}, {0, "ENDSEC"}};
    const Groups utf8NoCodePage = {{0, "SECTION"}, {2, "HEADER"}, {9, "$ACADVER"}, {1, "AC1027"}, {0, "ENDSEC"}};
    const Case cases[] = {
        {"unknown", header("AC1015", "ANSI_9999"),
         "The drawing's code page ANSI_9999 is unknown; its texts are read as ANSI_1252."},
        {"missing", noCodePage, "The drawing names no code page; its texts are read as ANSI_1252."},
        {"missing but the texts are UTF-8", utf8NoCodePage, ""},
        {"known", header("AC1015", "ANSI_1251"), ""},
        {"no header at all", {}, ""},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::string note;
        const Drawing d = readDxf(dxf(c.head + entities({{0, "LINE"}, {8, "caf\xE9"}})), u"d.dxf", &note);
        EXPECT_EQ(note, c.expectedNote);
        if (!c.expectedNote.empty()) {
            EXPECT_EQ(d.entities().at(0).layer, u"café");
        }
    }
}

} // namespace
