// The CAD's drawing reader: a drawing opened from its file without the
// editor, through GetInterfaceObject, read as a document is read, and let go
// with the last object reached through it.
#include "DrawingFiles.h"

#include "cadsim/model/CadPersonality.h"
#include "cadsim/model/Simulator.h"

#include "platform/automation/BusyServer.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ServedCalls.h"

#include <gtest/gtest.h>

#include <optional>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureOf;
using cadsim::testing::TempFolder;

namespace {

struct ReaderName {
    const char* name;
    const char16_t* cad;
    const char16_t* version;
    std::optional<std::u16string> progId;
};

class ReaderProgId : public ::testing::TestWithParam<ReaderName> {};

TEST_P(ReaderProgId, IsTheCadsClassInTheMajorReleaseOfItsVersion)
{
    EXPECT_EQ(drawingReaderProgId(*findCadPersonality(GetParam().cad), GetParam().version), GetParam().progId);
}

INSTANTIATE_TEST_SUITE_P(
    Cads, ReaderProgId,
    ::testing::Values(ReaderName{"AutoCad2021", u"autocad", u"24.1s (LMS Tech)", u"ObjectDBX.AxDbDocument.24"},
                      ReaderName{"AutoCad2025", u"autocad", u"25.0s (LMS Tech)", u"ObjectDBX.AxDbDocument.25"},
                      ReaderName{"AutoCadOfAnOddVersion", u"autocad", u"R25", std::nullopt},
                      ReaderName{"ZwCad", u"zwcad", u"2026", u"ObjectDBX.ZxDbDocument.2026"},
                      ReaderName{"NanoCad", u"nanocad", u"23.0", std::nullopt},
                      ReaderName{"BricsCad", u"bricscad", u"25.1.06 (x64)", std::nullopt},
                      ReaderName{"GstarCad", u"gstarcad", u"2025", std::nullopt}),
    [](const ::testing::TestParamInfo<ReaderName>& info) { return std::string(info.param.name); });

// A simulated CAD with the sample drawing open, the test drawing files and
// their loader.
struct ReaderCad : cadsim::testing::SampleCad {
    TempFolder folder;
    std::u16string pipes = folder.write("pipes.dwg", std::string("DRAWING") + " " + cadsim::testing::savedIdentity);

    ReaderCad() { sim.setDrawingLoader(cadsim::testing::loadTestDrawing); }

    Variant reader(std::u16string progId = u"ObjectDBX.AxDbDocument.24") const
    {
        return call(app, u"GetInterfaceObject", Variant::bstr(std::move(progId)));
    }
    Variant opened(const std::u16string& path) const
    {
        Variant r = reader();
        call(r, u"Open", Variant::bstr(path));
        return r;
    }
};

TEST(DrawingReader, IsBuiltIntoTheCadsItPlaysThatHaveOne)
{
    for (const CadPersonality& cad : cadPersonalities()) {
        ReaderCad c;
        c.sim.setPersonality(cad);
        c.sim.setSecureLoad(1); // would ask about any library; the reader is none
        const std::optional<std::u16string> own = drawingReaderProgId(cad, cad.version);
        for (const std::u16string progId : {u"ObjectDBX.AxDbDocument.24", u"ObjectDBX.ZxDbDocument.2026"}) {
            const int32_t code = cadsim::testing::failureCode([&] { c.reader(progId); });
            EXPECT_EQ(code, own == progId ? 0 : hr::E_Fail)
                << std::string(progId.begin(), progId.end()) << " from " << std::string(cad.key.begin(), cad.key.end());
        }
        EXPECT_TRUE(c.sim.loadQuestions().empty());
    }
}

TEST(DrawingReader, FollowsTheVersionAndIsTakenAwayOnRequest)
{
    ReaderCad c;
    c.sim.setInterfaceObjectsAllowed(false); // libraries refused; the built-in reader stays
    EXPECT_NO_THROW(c.reader(u"objectdbx.axdbdocument.24"));
    c.sim.setVersion(u"25.0s (LMS Tech)");
    EXPECT_EQ(failureOf([&] { c.reader(u"ObjectDBX.AxDbDocument.24"); }).code(), hr::E_Fail);
    EXPECT_NO_THROW(c.reader(u"ObjectDBX.AxDbDocument.25"));

    c.sim.setDrawingReaderAllowed(false);
    const AutomationError refused = failureOf([&] { c.reader(u"ObjectDBX.AxDbDocument.25"); });
    EXPECT_EQ(refused.code(), hr::E_Fail);
    EXPECT_EQ(refused.description(), u"Problem in loading application");
}

TEST(DrawingReader, ReadsTheDrawingAsADocumentIsRead)
{
    ReaderCad c;
    const Variant reader = c.opened(c.pipes);
    EXPECT_EQ(get(reader, u"Name"), Variant::bstr(c.pipes));
    EXPECT_EQ(call(reader, u"GetVariable", Variant::bstr(u"FINGERPRINTGUID")),
              Variant::bstr(u"{6A0E2B1C-4D3F-4E5A-8B7C-9D0E1F2A3B4C}"));

    const Variant modelSpace = get(reader, u"ModelSpace");
    ASSERT_EQ(get(modelSpace, u"Count"), Variant::i4(3));
    const Variant pipe = call(modelSpace, u"Item", Variant::i4(0));
    EXPECT_EQ(get(pipe, u"Handle"), Variant::bstr(u"100"));
    EXPECT_EQ(get(pipe, u"Layer"), Variant::bstr(u"PIPES"));
    Variant codes;
    Variant values;
    call(pipe, u"GetXData", Variant::bstr(u"trb"), Arg::ref(codes), Arg::ref(values));
    EXPECT_EQ(values.at(1), Variant::i2(10));
    EXPECT_EQ(get(call(reader, u"HandleToObject", Variant::bstr(u"102")), u"EntityName"), Variant::bstr(u"LINE"));
    EXPECT_EQ(get(call(get(reader, u"Layers"), u"Item", Variant::bstr(u"pipes")), u"Lock"), Variant::boolean(true));

    // The same drawing open in the editor: the handles are the file's, the
    // ObjectIDs are this session's objects, one apart from the other.
    const Variant open = get(c.entity(0), u"ObjectID");
    const Variant read = get(pipe, u"ObjectID");
    EXPECT_EQ(get(c.entity(0), u"Handle"), get(pipe, u"Handle"));
    EXPECT_EQ(read.type(), VarType::I4);
    EXPECT_NE(read, open);
    EXPECT_NE(get(call(get(c.opened(c.pipes), u"ModelSpace"), u"Item", Variant::i4(0)), u"ObjectID"), read);
}

TEST(DrawingReader, ADrawingSavedWithoutAnIdentityGetsANewOneAtEachOpening)
{
    ReaderCad c;
    const std::u16string path = c.folder.write("unsaved.dxf", "DRAWING");
    const Variant first = c.opened(path);
    const Variant second = c.opened(path);
    const auto identity = [](const Variant& reader) {
        return call(reader, u"GetVariable", Variant::bstr(u"FINGERPRINTGUID")).toBStr();
    };
    EXPECT_EQ(identity(first).size(), 38u);
    EXPECT_EQ(identity(first), identity(first));
    EXPECT_NE(identity(first), identity(second));
}

struct ReaderFailure {
    const char* name;
    // Does what fails, given the CAD and a reader not yet open.
    std::function<void(ReaderCad&, const Variant& reader)> run;
    int32_t code;
    std::u16string saying; // a part of the description
};

const ReaderFailure readerFailures[] = {
    {"AMissingFile", [](ReaderCad& c, const Variant& r) { call(r, u"Open", Variant::bstr(c.folder.path("gone.dwg"))); },
     file_hr::NotFound, u"gone.dwg"},
    {"AFileAnotherProgramHoldsForItself",
     [](ReaderCad& c, const Variant& r) {
         const FileLock other = FileLock::take(c.pipes, FileLock::Mode::Exclusive);
         call(r, u"Open", Variant::bstr(c.pipes));
     },
     file_hr::SharingViolation, u"in use by another program"},
    {"AFileThatIsNoDrawing",
     [](ReaderCad& c, const Variant& r) { call(r, u"Open", Variant::bstr(c.folder.write("notes.dwg", "notes"))); },
     hr::E_Fail, u"the file has no drawing header"},
    {"ASecondOpen",
     [](ReaderCad& c, const Variant& r) {
         call(r, u"Open", Variant::bstr(c.pipes));
         call(r, u"Open", Variant::bstr(c.pipes));
     },
     hr::E_Fail, u"has a drawing open already"},
    {"ModelSpaceBeforeOpen", [](ReaderCad&, const Variant& r) { get(r, u"ModelSpace"); }, hr::E_Fail,
     u"No drawing is open"},
    {"Save",
     [](ReaderCad& c, const Variant& r) {
         call(r, u"Open", Variant::bstr(c.pipes));
         call(r, u"Save");
     },
     hr::E_Fail, u"read only"},
    {"SaveAs",
     [](ReaderCad& c, const Variant& r) {
         call(r, u"Open", Variant::bstr(c.pipes));
         call(r, u"SaveAs", Variant::bstr(c.folder.path("copy.dwg")));
     },
     hr::E_Fail, u"read only"},
    {"AFaultPlantedInTheReader",
     [](ReaderCad& c, const Variant& r) {
         c.sim.failMember(ObjectKind::DrawingReader, u"Open");
         call(r, u"Open", Variant::bstr(c.pipes));
     },
     hr::E_Fail, u"Simulated failure"},
};

class DrawingReaderFails : public ::testing::TestWithParam<ReaderFailure> {};

TEST_P(DrawingReaderFails, AsTheCadAnswersAndWritesNothing)
{
    const ReaderFailure& f = GetParam();
    ReaderCad c;
    const std::string before = cadsim::testing::contentOf(c.pipes);
    {
        const Variant reader = c.reader();
        const AutomationError e = failureOf([&] { f.run(c, reader); });
        EXPECT_EQ(e.code(), f.code);
        EXPECT_NE(e.description().find(f.saying), std::u16string::npos)
            << std::string(e.what());
    }
    EXPECT_EQ(c.sim.drawingsHeldByReaders(), 0);
    EXPECT_TRUE(cadsim::testing::takenByNoOne(c.pipes));
    EXPECT_EQ(cadsim::testing::contentOf(c.pipes), before);
    EXPECT_FALSE(std::filesystem::exists(std::filesystem::path(c.folder.path("copy.dwg"))));
}

INSTANTIATE_TEST_SUITE_P(Cadsim, DrawingReaderFails, ::testing::ValuesIn(readerFailures),
                         [](const auto& info) { return std::string(info.param.name); });

// While a reader holds the drawing, others may read its file, and open it to
// read as well, but none may take it for itself.
TEST(DrawingReader, HoldsTheFileSharedWhileItHasTheDrawing)
{
    ReaderCad c;
    const Variant reader = c.opened(c.pipes);
    EXPECT_EQ(c.sim.drawingsHeldByReaders(), 1);
    EXPECT_FALSE(cadsim::testing::takenByNoOne(c.pipes));
    EXPECT_EQ(cadsim::testing::contentOf(c.pipes).rfind("DRAWING", 0), 0u);
    EXPECT_NO_THROW(FileLock::take(c.pipes, FileLock::Mode::Shared));
    const Variant second = c.opened(c.pipes);
    EXPECT_EQ(c.sim.drawingsHeldByReaders(), 2);
}

struct LastReference {
    const char* name;
    Variant (*take)(const Variant& reader);
    const char16_t* member; // one it answers
};

const LastReference lastReferences[] = {
    {"TheReader", [](const Variant& r) { return r; }, u"Name"},
    {"ModelSpace", [](const Variant& r) { return get(r, u"ModelSpace"); }, u"Count"},
    {"AnEntity", [](const Variant& r) { return call(get(r, u"ModelSpace"), u"Item", Variant::i4(2)); }, u"Handle"},
    {"AnEntityByHandle", [](const Variant& r) { return call(r, u"HandleToObject", Variant::bstr(u"100")); },
     u"Layer"},
    {"TheLayers", [](const Variant& r) { return get(r, u"Layers"); }, u"Count"},
    {"ALayer", [](const Variant& r) { return call(get(r, u"Layers"), u"Item", Variant::i4(1)); }, u"Name"},
};

class ReleasingTheDrawing : public ::testing::TestWithParam<LastReference> {};

TEST_P(ReleasingTheDrawing, WaitsForTheLastObjectReachedThroughTheReader)
{
    ReaderCad c;
    std::optional<Variant> last;
    {
        const Variant reader = c.opened(c.pipes);
        last = GetParam().take(reader);
    }
    EXPECT_EQ(c.sim.drawingsHeldByReaders(), 1);
    EXPECT_FALSE(cadsim::testing::takenByNoOne(c.pipes));
    EXPECT_NO_THROW(get(*last, GetParam().member)) << "the object still answers";
    last.reset();
    EXPECT_EQ(c.sim.drawingsHeldByReaders(), 0);
    EXPECT_TRUE(cadsim::testing::takenByNoOne(c.pipes));
}

INSTANTIATE_TEST_SUITE_P(Cadsim, ReleasingTheDrawing, ::testing::ValuesIn(lastReferences),
                         [](const auto& info) { return std::string(info.param.name); });

// A busy CAD refuses the reader's calls from other processes, as any call;
// code it loaded (the walker) calls it from inside and is served.
TEST(DrawingReader, IsRefusedWhileTheCadIsBusyExceptFromInside)
{
    ReaderCad c;
    const Variant reader = c.reader();
    c.sim.setBusy(true);
    EXPECT_THROW(call(reader, u"Open", Variant::bstr(c.pipes)), CallRejected);
    const InProcessCaller inside;
    EXPECT_NO_THROW(call(reader, u"Open", Variant::bstr(c.pipes)));
    EXPECT_EQ(get(get(reader, u"ModelSpace"), u"Count"), Variant::i4(3));
}

} // namespace
