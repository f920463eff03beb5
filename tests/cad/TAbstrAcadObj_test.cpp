#include "cad/ResStrings.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/messages/EntryPoint.h"

#include "FakeCad.h"
#include "support/MessageRecorder.h"

#include <gtest/gtest.h>

namespace {

const QString NotReady = ResStrings::text(ResStrings::SAcadNotReady);

class Attach : public ::testing::Test {
protected:
    // Every reference the connection took is given back: only the fake's own
    // remain, and the registration's for the application.
    void expectNoReferencesHeld()
    {
        EXPECT_EQ(cad.application.use_count(), 2);
        for (const auto* object : {&cad.document, &cad.addedDocument, &cad.modelSpace, &cad.layers,
                                   &cad.documents})
            EXPECT_EQ(object->use_count(), 1);
        for (const auto& layer : cad.layerObjects)
            EXPECT_EQ(layer.use_count(), 1);
    }

    MessageRecorder recorder;
    FakeCad cad;
};

TEST_F(Attach, NothingRunningShowsOnlyTheFirstMessage)
{
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{QStringLiteral("Cannot find AutoCAD that has been already started!!!")});
    EXPECT_TRUE(cad.log.isEmpty());
}

TEST_F(Attach, TakesEverythingInTheFixedOrder)
{
    cad.setLayers(2);
    const auto running = cad.registerRunning();
    {
        TAbstrAcadObj acad;
        EXPECT_TRUE(recorder.all.isEmpty());
        EXPECT_EQ(acad.FDocument().toDispatch(), cad.document);
        EXPECT_EQ(acad.FModelSpace().toDispatch(), cad.modelSpace);
    }
    const QStringList layer = {QStringLiteral("layers.Item"), QStringLiteral("layer.Name"), QStringLiteral("layer.Lock"),
                               QStringLiteral("layer.Freeze"), QStringLiteral("layer.LayerOn")};
    // The walker is asked for before the layer table, which it would read;
    // this CAD loads code from anywhere (it has no SECURELOAD) but has none.
    QStringList expected = {QStringLiteral("app.ActiveDocument"), QStringLiteral("doc.ModelSpace"),
                            QStringLiteral("doc.getVariable"), QStringLiteral("app.GetInterfaceObject"),
                            QStringLiteral("doc.Layers"), QStringLiteral("layers.Count"),
                            QStringLiteral("doc.Layers"), QStringLiteral("layers.Count")};
    expected << layer << layer << QStringLiteral("doc.Layers") << QStringLiteral("layers.Count");
    EXPECT_EQ(cad.log, expected);
    expectNoReferencesHeld();
}

TEST_F(Attach, SnapshotHoldsEveryLayerInTwiceTheRoom)
{
    cad.setLayers(5);
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    ASSERT_TRUE(acad.FLayers() && acad.FSavedLayers());
    EXPECT_EQ(acad.FLayers()->Capacity(), 10);
    EXPECT_EQ(acad.FSavedLayers()->Capacity(), 10);
    ASSERT_EQ(acad.FLayers()->Count(), 5);
    ASSERT_EQ(acad.FSavedLayers()->Count(), 5);
    for (int i = 0; i < 5; ++i) {
        const TLayer& layer = acad.FLayers()->Items(i);
        EXPECT_EQ(layer.Index, i);
        EXPECT_EQ(layer.Name, cad.layerData[static_cast<size_t>(i)].name);
        EXPECT_EQ(layer.Lock, cad.layerData[static_cast<size_t>(i)].lock);
        EXPECT_EQ(layer.Freeze, cad.layerData[static_cast<size_t>(i)].freeze);
        EXPECT_EQ(layer.LayerOn, cad.layerData[static_cast<size_t>(i)].on);
        EXPECT_EQ(acad.FSavedLayers()->Items(i), layer);
    }
}

TEST_F(Attach, WithoutAnActiveDocumentANewOneIsAdded)
{
    cad.application->failing = {u"ActiveDocument"};
    const auto running = cad.registerRunning();
    {
        TAbstrAcadObj acad;
        EXPECT_EQ(acad.FDocument().toDispatch(), cad.addedDocument);
    }
    // No template named: the CAD's default one.
    EXPECT_EQ(cad.addArguments, QStringList{QStringLiteral("(omitted)")});
    EXPECT_TRUE(recorder.all.isEmpty());
    expectNoReferencesHeld();
}

TEST_F(Attach, ModelSpaceFailureIsShownAndAttachingGoesOn)
{
    cad.document->failing = {u"ModelSpace"};
    cad.setLayers(1);
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    EXPECT_TRUE(acad.FModelSpace().isEmpty());
    EXPECT_EQ(recorder.all, QStringList{QStringLiteral("Simulated failure")});
    EXPECT_EQ(acad.FLayers()->Count(), 1);
}

// Every failure once the application is found ends the command with the one
// "not ready" message, with every reference given back.
struct NotReadyCase {
    const char* name;
    std::function<void(FakeCad&)> breakIt;
};

class AttachNotReady : public Attach, public ::testing::WithParamInterface<NotReadyCase> {};

TEST_P(AttachNotReady, ShowsOnlyTheSecondMessage)
{
    cad.setLayers(3);
    GetParam().breakIt(cad);
    const auto running = cad.registerRunning();
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{NotReady});
    expectNoReferencesHeld();
}

INSTANTIATE_TEST_SUITE_P(Attach, AttachNotReady,
    ::testing::Values(
        NotReadyCase{"NoDocumentAtAll", [](FakeCad& c) {
            c.application->failing = {u"ActiveDocument"};
            c.documents->failing = {u"Add"};
        }},
        NotReadyCase{"NoDocumentsCollection", [](FakeCad& c) { c.application->failing = {u"ActiveDocument", u"Documents"}; }},
        NotReadyCase{"LayersRefused", [](FakeCad& c) { c.document->failing = {u"Layers"}; }},
        NotReadyCase{"CountRefused", [](FakeCad& c) { c.layers->failing = {u"Count"}; }},
        NotReadyCase{"LayerItemRefused", [](FakeCad& c) { c.layers->failing = {u"Item"}; }},
        NotReadyCase{"CountNotANumber", [](FakeCad& c) { c.layerCount = automation::Variant::bstr(u"many"); }},
        // Twice the count does not fit 32 bits: the conversion fails rather than wrapping.
        NotReadyCase{"CapacityOverflows", [](FakeCad& c) { c.layerCount = automation::Variant::i4(0x40000000); }},
        NotReadyCase{"NegativeCount", [](FakeCad& c) { c.layerCount = automation::Variant::i4(-1); }},
        // A CAD that stops answering half way is not ready either.
        NotReadyCase{"LayerCountNotAnswered", [](FakeCad& c) { c.layers->refusing = {u"Count"}; }}),
    [](const auto& info) { return std::string(info.param.name); });

// Only the CAD's own answer that it has no active document starts a new
// drawing. A CAD that did not answer at all (busy past the wait, stopped) is
// not ready: nothing is opened in it, and it is asked nothing more.
TEST_F(Attach, ACadThatDoesNotAnswerForItsDocumentGetsNoNewDrawing)
{
    cad.application->refusing = {u"ActiveDocument"};
    const auto running = cad.registerRunning();
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{NotReady});
    EXPECT_FALSE(cad.log.contains(QStringLiteral("app.Documents")));
    EXPECT_TRUE(cad.addArguments.isEmpty());
    expectNoReferencesHeld();
}

// The model space that cannot be had is shown and the attach goes on only
// when the CAD said why; a CAD that stops answering is not ready.
TEST_F(Attach, ModelSpaceNotAnsweredIsNotReady)
{
    cad.document->refusing = {u"ModelSpace"};
    const auto running = cad.registerRunning();
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, QStringList{NotReady});
}

TEST_F(Attach, ModelSpaceAndNotReadyBothShownWhenBothFail)
{
    cad.document->failing = {u"ModelSpace", u"Layers"};
    const auto running = cad.registerRunning();
    EXPECT_FALSE(messages::runEntryPoint([] { TAbstrAcadObj acad; }));
    EXPECT_EQ(recorder.all, (QStringList{QStringLiteral("Simulated failure"), NotReady}));
}

TEST_F(Attach, LayerCountFromAutomationArithmetic)
{
    // A 16-bit count, as some servers answer, is doubled without trouble.
    cad.setLayers(3);
    cad.layerCount = automation::Variant::i2(3);
    const auto running = cad.registerRunning();
    TAbstrAcadObj acad;
    EXPECT_EQ(acad.FLayers()->Capacity(), 6);
    EXPECT_EQ(acad.FLayers()->Count(), 3);
}

} // namespace
