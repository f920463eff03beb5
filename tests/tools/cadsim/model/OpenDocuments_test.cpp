// Drawings opened in the editor from their files (Documents.Open), made
// active and closed one by one, as a program that harvests drawings the
// CAD has no reader for does with them.
#include "DrawingFiles.h"

#include "cadsim/model/Simulator.h"

#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <gtest/gtest.h>

using namespace automation;
using namespace cadsim;
using cadsim::testing::failureOf;
using cadsim::testing::takenByNoOne;
using cadsim::testing::TempFolder;

namespace {

// The designer's drawing open from its file, and two more drawing files.
struct EditorCad {
    TempFolder folder;
    std::u16string own = folder.path("own.dxf");
    std::u16string a = folder.write("a.dwg", "DRAWING");
    std::u16string b = folder.write("b.dwg", "DRAWING");
    Simulator sim{cadsim::testing::sampleDrawing(), own};
    Variant app = sim.applicationVariant();

    EditorCad() { sim.setDrawingLoader(cadsim::testing::loadTestDrawing); }

    Variant documents() const { return get(app, u"Documents"); }
    Variant open(const std::u16string& path, std::optional<bool> readOnly = true) const
    {
        if (!readOnly)
            return call(documents(), u"Open", Variant::bstr(path));
        return call(documents(), u"Open", Variant::bstr(path), Variant::boolean(*readOnly));
    }
    std::u16string activeFullName() const { return get(get(app, u"ActiveDocument"), u"FullName").toBStr(); }
};

TEST(OpenDocuments, AFileOpenedReadOnlyBecomesTheActiveDocument)
{
    EditorCad c;
    const Variant opened = c.open(c.a);
    EXPECT_EQ(get(opened, u"FullName"), Variant::bstr(c.a));
    EXPECT_EQ(get(opened, u"Name"), Variant::bstr(u"a.dwg"));
    EXPECT_EQ(get(opened, u"ReadOnly"), Variant::boolean(true));
    EXPECT_EQ(get(get(opened, u"ModelSpace"), u"Count"), Variant::i4(3));
    EXPECT_EQ(get(c.app, u"Caption"), Variant::bstr(u"cadsim - [a.dwg]"));
    EXPECT_EQ(get(c.documents(), u"Count"), Variant::i4(2));
    EXPECT_EQ(c.sim.documentFullNames(), (std::vector<std::u16string>{c.own, c.a}));
    EXPECT_EQ(c.sim.activeDocumentFullName(), c.a);
    EXPECT_FALSE(c.sim.isDocumentReadOnly(0));
    EXPECT_TRUE(c.sim.isDocumentReadOnly(1));

    // Held shared: others read the file, and read it with a reader too.
    EXPECT_FALSE(takenByNoOne(c.a));
    const Variant reader = call(c.app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24"));
    EXPECT_NO_THROW(call(reader, u"Open", Variant::bstr(c.a)));
}

TEST(OpenDocuments, AFileOpenedForEditingIsHeldExclusively)
{
    EditorCad c;
    for (const std::optional<bool> readOnly : {std::optional<bool>(), std::optional(false)}) {
        const Variant opened = c.open(c.a, readOnly);
        EXPECT_EQ(get(opened, u"ReadOnly"), Variant::boolean(false));
        const Variant reader = call(c.app, u"GetInterfaceObject", Variant::bstr(u"ObjectDBX.AxDbDocument.24"));
        EXPECT_EQ(failureOf([&] { call(reader, u"Open", Variant::bstr(c.a)); }).code(), file_hr::SharingViolation);
        EXPECT_EQ(failureOf([&] { c.open(c.a); }).code(), file_hr::SharingViolation);
        call(opened, u"Close", Variant::boolean(false));
        EXPECT_TRUE(takenByNoOne(c.a));
    }
}

TEST(OpenDocuments, CloseClosesThatDocumentAndTheMostRecentlyActiveOfTheOthersTakesOver)
{
    EditorCad c;
    const Variant own = get(c.app, u"ActiveDocument");
    const Variant a = c.open(c.a);
    const Variant b = c.open(c.b);
    call(own, u"Activate");
    EXPECT_EQ(c.activeFullName(), c.own);
    call(a, u"Activate");
    call(own, u"Activate");

    call(own, u"Close", Variant::boolean(false));
    EXPECT_EQ(c.sim.documentFullNames(), (std::vector<std::u16string>{c.a, c.b}));
    EXPECT_EQ(c.activeFullName(), c.a);
    call(a, u"Close");
    EXPECT_EQ(c.activeFullName(), c.b);
    EXPECT_TRUE(takenByNoOne(c.a));
    EXPECT_FALSE(takenByNoOne(c.b));
    call(b, u"Close", Variant::boolean(true)); // nothing to save: nothing is written
    EXPECT_FALSE(c.sim.hasActiveDocument());
    EXPECT_EQ(c.sim.activeDocumentFullName(), std::nullopt);
    EXPECT_TRUE(takenByNoOne(c.b));
    EXPECT_EQ(cadsim::testing::contentOf(c.b), "DRAWING");

    const std::vector<ClosedDocument> closed = c.sim.closedDocuments();
    ASSERT_EQ(closed.size(), 3u);
    EXPECT_EQ(closed[0].fullName, c.own);
    EXPECT_EQ(closed[0].saveChanges, Variant::boolean(false));
    EXPECT_TRUE(closed[1].saveChanges.isOmitted());
    EXPECT_EQ(closed[2].saveChanges, Variant::boolean(true));
}

// A closed document's objects, and those reached through it, answer no more.
TEST(OpenDocuments, TheObjectsOfAClosedDocumentFail)
{
    EditorCad c;
    const Variant opened = c.open(c.a);
    const Variant modelSpace = get(opened, u"ModelSpace");
    const Variant entity = call(modelSpace, u"Item", Variant::i4(0));
    const Variant layer = call(get(opened, u"Layers"), u"Item", Variant::i4(0));
    call(opened, u"Close", Variant::boolean(false));
    for (const auto& [object, member] : {std::pair(opened, u"FullName"), std::pair(opened, u"Close"),
                                         std::pair(opened, u"Activate"), std::pair(modelSpace, u"Count"),
                                         std::pair(entity, u"Handle"), std::pair(layer, u"Name")}) {
        const AutomationError e = failureOf([&] { call(object, member); });
        EXPECT_EQ(e.code(), hr::E_Fail);
        EXPECT_EQ(e.description(), u"The drawing was closed");
    }
    EXPECT_EQ(c.sim.documentFullNames(), std::vector<std::u16string>{c.own});
}

struct OpenFailure {
    const char* name;
    std::u16string (*file)(EditorCad& c, std::optional<FileLock>& other);
    int32_t code;
};

const OpenFailure openFailures[] = {
    {"AMissingFile", [](EditorCad& c, std::optional<FileLock>&) { return c.folder.path("gone.dwg"); },
     file_hr::NotFound},
    {"AFileAnotherProgramHolds",
     [](EditorCad& c, std::optional<FileLock>& other) {
         other = FileLock::take(c.a, FileLock::Mode::Exclusive);
         return c.a;
     },
     file_hr::SharingViolation},
    {"AFileThatIsNoDrawing", [](EditorCad& c, std::optional<FileLock>&) { return c.folder.write("n.dwg", "notes"); },
     hr::E_Fail},
};

class OpeningFails : public ::testing::TestWithParam<OpenFailure> {};

TEST_P(OpeningFails, LeavesTheDocumentsAsTheyWere)
{
    EditorCad c;
    std::optional<FileLock> other;
    const std::u16string path = GetParam().file(c, other);
    for (const bool readOnly : {true, false})
        EXPECT_EQ(failureOf([&] { c.open(path, readOnly); }).code(), GetParam().code);
    EXPECT_EQ(c.sim.documentFullNames(), std::vector<std::u16string>{c.own});
    EXPECT_EQ(c.activeFullName(), c.own);
    other.reset();
    EXPECT_TRUE(takenByNoOne(path) || GetParam().code == file_hr::NotFound);
}

INSTANTIATE_TEST_SUITE_P(Cadsim, OpeningFails, ::testing::ValuesIn(openFailures),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(OpenDocuments, ANewDrawingHasNoFullNameUntilSaved)
{
    EditorCad c;
    EXPECT_EQ(c.activeFullName(), c.own);
    call(c.documents(), u"Add");
    EXPECT_EQ(c.activeFullName(), u"");
    c.sim.openDocument(Drawing(u"other.dxf"), u"/drawings/other.dxf", true);
    EXPECT_EQ(c.activeFullName(), u"/drawings/other.dxf");
    EXPECT_EQ(get(get(c.app, u"ActiveDocument"), u"ReadOnly"), Variant::boolean(true));
}

} // namespace
