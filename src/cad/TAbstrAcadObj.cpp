#include "cad/TAbstrAcadObj.h"

#include "cad/CadApplications.h"
#include "cad/ModelSpaceWalker.h"
#include "cad/ResStrings.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/messages/Messages.h"
#include "platform/messages/MessageAbort.h"

using automation::Variant;

namespace {

// The command ends with the message of the CAD link's own table.
[[noreturn]] void abortWith(int messageId)
{
    throw MessageAbort(ResStrings::text(messageId));
}

} // namespace

TAbstrAcadObj::TAbstrAcadObj()
{
    try {
        attach();
    } catch (...) {
        // The partly built object goes at once, in the destructor's order.
        release();
        throw;
    }
}

TAbstrAcadObj::~TAbstrAcadObj()
{
    release();
}

void TAbstrAcadObj::release() noexcept
{
    m_savedLayers.reset();
    m_layers.reset();
    m_walker.clear();
    m_application.clear();
    m_document.clear();
    m_modelSpace.clear();
}

void TAbstrAcadObj::attach()
{
    // The running instance only: the program never starts the CAD
    // application itself. AutoCAD first, then the other CADs of the table;
    // whichever it is, the messages are the ones of AutoCAD. Every failure
    // of the CAD, whether it answered with an error or did not answer at all
    // (it runs, but is stopped, hung, or busy with its user's command for
    // longer than a call waits), means it is there but will not serve us.
    // The user's stop (progress::Cancelled) is none of these and passes.
    try {
        std::optional<RunningCad> running = FindRunningCad();
        if (!running)
            abortWith(ResStrings::SCannotFindAcad);
        m_application = Variant::dispatch(std::move(running->application));
        m_cad = running->cad;

        takeDocument();
        takeModelSpace();
        // Asked for before the layer table, which it reads in one exchange.
        m_walker = WalkerInCad(*this);
        m_layers = std::make_unique<TLayers>(layerCapacity());
        ReadLayers();
        m_savedLayers = std::make_unique<TLayers>(layerCapacity());
        m_savedLayers->Assign(*m_layers);
    } catch (const automation::CallFailure&) {
        abortWith(ResStrings::SAcadNotReady);
    }
}

void TAbstrAcadObj::takeDocument()
{
    try {
        m_document = automation::get(m_application, u"ActiveDocument");
    } catch (const automation::AutomationError&) {
        // Only the CAD's own answer that it has no active document starts a
        // new one: a CAD that did not answer (busy past the wait, stopped)
        // would otherwise open a drawing its user never asked for as soon as
        // it is free again.
        const Variant documents = automation::get(m_application, u"Documents");
        // The argument names a template file; left out, the CAD starts the
        // drawing from its default template.
        m_document = automation::call(documents, u"Add", Variant::omitted());
    }
}

void TAbstrAcadObj::takeModelSpace()
{
    // Not fatal here: the user is told, and a caller that needs the model
    // space fails on it later. A CAD that does not answer is not ready.
    try {
        m_modelSpace = automation::get(m_document, u"ModelSpace");
    } catch (const automation::AutomationError& failure) {
        m_modelSpace.clear();
        messages::showMessage(QString::fromStdU16String(failure.message()));
    }
}

// Twice the document's layer count, counted by automation arithmetic: a count
// whose double does not fit 32 bits fails the conversion instead of wrapping.
int32_t TAbstrAcadObj::layerCapacity()
{
    const Variant layers = automation::get(m_document, u"Layers");
    const Variant count = automation::get(layers, u"Count");
    const int32_t capacity = automation::multiply(Variant::i4(2), count).toI4();
    if (capacity < 0)
        throw automation::AutomationError(automation::hr::Disp_E_Overflow, u"A negative count of layers", {}, u"Count");
    return capacity;
}

void TAbstrAcadObj::ReadLayers()
{
    if (!m_layers)
        return;
    m_layers->Clear();
    const Variant layers = automation::get(m_document, u"Layers");
    const int32_t last = automation::add(automation::get(layers, u"Count"), Variant::i4(-1)).toI4();
    ReadLayerRecords(m_walker, layers, last + 1, [this](int32_t index, walk::LayerRecord&& read) {
        TLayer record;
        record.Name = QString::fromStdU16String(read.name);
        record.Index = index;
        record.Lock = read.lock;
        record.Freeze = read.freeze;
        record.LayerOn = read.on;
        m_layers->Add(record);
    });
}
