#include "cad/TAbstrAcadObj.h"

#include "cad/CadApplications.h"
#include "cad/ResStrings.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/automation/ObjectRegistry.h"
#include "platform/messages/Messages.h"
#include "platform/messages/MessageAbort.h"

using automation::Variant;

namespace {

QString failureText(const std::exception& failure)
{
    if (const auto* automationFailure = dynamic_cast<const automation::AutomationError*>(&failure))
        return QString::fromStdU16String(automationFailure->message());
    return QString::fromUtf8(failure.what());
}

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
    m_application.clear();
    m_document.clear();
    m_modelSpace.clear();
}

void TAbstrAcadObj::attach()
{
    // The running instance only: the program never starts the CAD
    // application itself. AutoCAD first, then the other CADs of the table;
    // whichever it is, the messages are the ones of AutoCAD.
    std::optional<RunningCad> running = FindRunningCad();
    if (!running)
        abortWith(ResStrings::SCannotFindAcad);
    m_application = Variant::dispatch(std::move(running->application));
    m_cad = running->cad;

    // From here on every failure means the application is there but will not
    // serve us, typically because its user is in the middle of a command.
    try {
        takeDocument();
        takeModelSpace();
        m_layers = std::make_unique<TLayers>(layerCapacity());
        ReadLayers();
        m_savedLayers = std::make_unique<TLayers>(layerCapacity());
        m_savedLayers->Assign(*m_layers);
    } catch (const std::exception&) {
        abortWith(ResStrings::SAcadNotReady);
    }
}

void TAbstrAcadObj::takeDocument()
{
    try {
        m_document = automation::get(m_application, u"ActiveDocument");
    } catch (const std::exception&) {
        const Variant documents = automation::get(m_application, u"Documents");
        // The argument names a template file; left out, the CAD starts the
        // drawing from its default template.
        m_document = automation::call(documents, u"Add", Variant::omitted());
    }
}

void TAbstrAcadObj::takeModelSpace()
{
    // Not fatal here: the user is told, and a caller that needs the model
    // space fails on it later.
    try {
        m_modelSpace = automation::get(m_document, u"ModelSpace");
    } catch (const std::exception& failure) {
        m_modelSpace.clear();
        messages::showMessage(failureText(failure));
    }
}

// Twice the document's layer count, counted by automation arithmetic: a count
// whose double does not fit 32 bits fails the conversion instead of wrapping.
int32_t TAbstrAcadObj::layerCapacity()
{
    const Variant layers = automation::get(m_document, u"Layers");
    const Variant count = automation::get(layers, u"Count");
    return automation::multiply(Variant::i4(2), count).toI4();
}

void TAbstrAcadObj::ReadLayers()
{
    if (!m_layers)
        return;
    m_layers->Clear();
    const Variant layers = automation::get(m_document, u"Layers");
    const int32_t last = automation::add(automation::get(layers, u"Count"), Variant::i4(-1)).toI4();
    for (int32_t i = 0; i <= last; ++i) {
        const Variant layer = automation::call(layers, u"Item", Variant::i4(i));
        TLayer record;
        record.Name = QString::fromStdU16String(automation::get(layer, u"Name").toBStr());
        record.Index = i;
        record.Lock = automation::get(layer, u"Lock").toBool();
        record.Freeze = automation::get(layer, u"Freeze").toBool();
        record.LayerOn = automation::get(layer, u"LayerOn").toBool();
        m_layers->Add(record);
    }
}
