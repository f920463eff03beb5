#include "FakeCad.h"

#include "platform/automation/BusyServer.h"

using automation::Args;
using automation::InvokeKind;
using automation::Variant;

namespace {

QString str(const Variant& v)
{
    return QString::fromStdU16String(v.toBStr());
}

Variant bstr(const QString& s)
{
    return Variant::bstr(s.toStdU16String());
}

} // namespace

automation::AutomationError answeredWithError()
{
    return automation::AutomationError(automation::hr::E_Fail, u"Simulated failure");
}

Variant FakeObject::invoke(std::u16string_view member, InvokeKind kind, Args args)
{
    const QString name = QString::fromStdU16String(std::u16string(member));
    if (m_log)
        m_log->append(m_name + u'.' + name);
    for (const auto& f : failing)
        if (automation::sameMemberName(f, member))
            throw answeredWithError();
    for (const auto& f : refusing)
        if (automation::sameMemberName(f, member))
            throw automation::CallRejected(std::u16string(member));
    return m_members.invoke(*this, member, kind, args);
}

void FakeObject::define(std::u16string_view name, Handler handler)
{
    m_members.add(name, [handler = std::move(handler)](automation::Dispatch&, InvokeKind kind, Args args) {
        return handler(kind, args);
    });
}

FakeCad::FakeCad()
{
    application = std::make_shared<FakeObject>(QStringLiteral("app"), &log);
    documents = std::make_shared<FakeObject>(QStringLiteral("documents"), &log);
    document = std::make_shared<FakeObject>(QStringLiteral("doc"), &log);
    addedDocument = std::make_shared<FakeObject>(QStringLiteral("newdoc"), &log);
    modelSpace = std::make_shared<FakeObject>(QStringLiteral("ms"), &log);
    layers = std::make_shared<FakeObject>(QStringLiteral("layers"), &log);
    preferences = std::make_shared<FakeObject>(QStringLiteral("prefs"), &log);
    files = std::make_shared<FakeObject>(QStringLiteral("files"), &log);
    state = std::make_shared<FakeObject>(QStringLiteral("state"), &log);
    pickfirst = std::make_shared<FakeObject>(QStringLiteral("pickfirst"), &log);

    // Handlers capture `this`, never a shared_ptr: the objects must not keep
    // each other alive, or a leaked reference would go unnoticed.
    application->define(u"ActiveDocument", [this](InvokeKind, Args) { return Variant::dispatch(document); });
    application->define(u"Documents", [this](InvokeKind, Args) { return Variant::dispatch(documents); });
    documents->define(u"Add", [this](InvokeKind, Args args) {
        addArguments << (args.empty() || args[0].value().isOmitted() ? QStringLiteral("(omitted)") : str(args[0].value()));
        return Variant::dispatch(addedDocument);
    });
    application->define(u"Version", [this](InvokeKind, Args) { return bstr(version); });
    application->define(u"Caption", [this](InvokeKind, Args) { return bstr(caption); });
    application->define(u"Preferences", [this](InvokeKind, Args) { return Variant::dispatch(preferences); });
    preferences->define(u"Files", [this](InvokeKind, Args) { return Variant::dispatch(files); });
    files->define(u"SupportPath", [this](InvokeKind kind, Args args) {
        if (kind == InvokeKind::PropertyPut) {
            supportPath = str(args.back().value());
            supportPathWrites << supportPath;
            return Variant();
        }
        return bstr(supportPath);
    });
    application->define(u"GetAcadState", [this](InvokeKind, Args) { return Variant::dispatch(state); });
    state->define(u"IsQuiescent", [this](InvokeKind, Args) {
        ++polls;
        return Variant::boolean(polls > busyPolls);
    });

    for (auto* doc : {document.get(), addedDocument.get()}) {
        doc->define(u"ModelSpace", [this](InvokeKind, Args) { return Variant::dispatch(modelSpace); });
        doc->define(u"Layers", [this](InvokeKind, Args) { return Variant::dispatch(layers); });
        doc->define(u"getVariable", [this](InvokeKind, Args args) {
            if (str(args[0].value()) != QLatin1String("TRUSTEDPATHS"))
                throw automation::AutomationError(automation::hr::E_InvalidArg, u"unknown variable");
            return bstr(trustedPaths);
        });
        doc->define(u"setVariable", [this](InvokeKind, Args args) {
            if (str(args[0].value()) != QLatin1String("TRUSTEDPATHS"))
                throw automation::AutomationError(automation::hr::E_InvalidArg, u"unknown variable");
            trustedPaths = str(args[1].value());
            trustedPathWrites << trustedPaths;
            return Variant();
        });
        doc->define(u"SendCommand", [this](InvokeKind, Args args) {
            pollsBeforeCommand = polls;
            busyPolls = polls + busyPollsAfterCommand;
            sendCommandByRef = sendCommandByRef && args.size() == 1 && args[0].isByRef()
                && args[0].value().type() == automation::VarType::BStr;
            sentCommands << str(args[0].value());
            return Variant();
        });
        doc->define(u"PickfirstSelectionSet", [this](InvokeKind, Args) { return Variant::dispatch(pickfirst); });
    }
    pickfirst->define(u"Count", [this](InvokeKind, Args) { return Variant::i4(pickfirstCount); });
    pickfirst->define(u"Clear", [this](InvokeKind, Args) {
        ++pickfirstClears;
        pickfirstCount = 0;
        return Variant();
    });

    layers->define(u"Count", [this](InvokeKind, Args) {
        return layerCount.isEmpty() ? Variant::i4(static_cast<int32_t>(layerData.size())) : layerCount;
    });
    layers->define(u"Item", [this](InvokeKind, Args args) {
        return Variant::dispatch(layerObject(args[0].value().toI4()));
    });

    modelSpace->define(u"Count", [this](InvokeKind, Args) { return Variant::i4(static_cast<int32_t>(entities.size())); });
    modelSpace->define(u"Item", [this](InvokeKind, Args args) {
        const int32_t i = args[0].value().toI4();
        if (i < 0 || static_cast<size_t>(i) >= entities.size())
            throw automation::AutomationError(automation::hr::Disp_E_BadIndex, {});
        return Variant::dispatch(entities[static_cast<size_t>(i)]);
    });
}

FakeCad::~FakeCad() = default;

automation::Registration FakeCad::registerRunning()
{
    return automation::registerActiveObject(u"AutoCAD.Application", application);
}

void FakeCad::setLayers(int count)
{
    layerData.clear();
    for (int i = 0; i < count; ++i)
        layerData.push_back({QStringLiteral("Layer%1").arg(i), i % 2 == 1, i % 3 == 1, i % 4 != 3});
}

std::shared_ptr<FakeObject> FakeCad::layerObject(int index)
{
    if (index < 0 || static_cast<size_t>(index) >= layerData.size())
        throw automation::AutomationError(automation::hr::Disp_E_BadIndex, {});
    while (layerObjects.size() <= static_cast<size_t>(index)) {
        const size_t i = layerObjects.size();
        auto layer = std::make_shared<FakeObject>(QStringLiteral("layer"), &log);
        layer->define(u"Name", [this, i](InvokeKind, Args) { return bstr(layerData[i].name); });
        layer->define(u"Lock", [this, i](InvokeKind, Args) { return Variant::boolean(layerData[i].lock); });
        layer->define(u"Freeze", [this, i](InvokeKind, Args) { return Variant::boolean(layerData[i].freeze); });
        layer->define(u"LayerOn", [this, i](InvokeKind, Args) { return Variant::boolean(layerData[i].on); });
        layerObjects.push_back(layer);
    }
    return layerObjects[static_cast<size_t>(index)];
}

std::shared_ptr<FakeObject> FakeCad::addEntity(Variant objectId, QString handle)
{
    auto entity = std::make_shared<FakeObject>(QStringLiteral("entity"), &log);
    entity->define(u"ObjectID", [objectId](InvokeKind, Args) { return objectId; });
    entity->define(u"Handle", [handle](InvokeKind, Args) { return bstr(handle); });
    entities.push_back(entity);
    return entity;
}
