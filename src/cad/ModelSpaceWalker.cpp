#include "cad/ModelSpaceWalker.h"

#include "cad/CadEnvironment.h"
#include "cad/ChunkPacer.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"
#include "platform/messages/Progress.h"
#include "walk/ModelSpaceWalk.h"
#include "walk/WalkerAnswer.h"
#include "walk/WalkerIdentity.h"

#include <algorithm>
#include <chrono>

using automation::Variant;

namespace {

// A chunk inside the CAD costs microseconds an entity; one walked from here
// costs a call into the CAD for each of its members.
constexpr int32_t firstChunkInCad = 256;
constexpr int32_t firstChunkHere = 8;

// A range walked by `inside` (the walker) or, where the walker cannot walk
// it, by `here`. A walker that answers a call with an error of its own (a
// model space it may not walk, no memory left in the CAD, an answer of
// another shape) hands the rest of the walk to the program, which walks as
// it always could: the rows are the same, only slower. Items the CAD could
// not give come back inside an answer, not as such an error.
template <typename Here, typename Inside>
auto walkedWhereItCan(Variant& walker, Here&& here, Inside&& inside) -> decltype(here())
{
    if (!walker.isEmpty()) {
        try {
            return inside();
        } catch (const automation::AutomationError&) {
            walker.clear();
        }
    }
    return here();
}

// Item's failure as the CAD answered it, of the kind its code says.
[[noreturn]] void raise(const walk::ItemFailure& failure)
{
    automation::raiseCallFailure(failure.code, failure.description, failure.source, u"Item");
}

} // namespace

Variant WalkerInCad(TAbstrAcadObj& cad)
{
    // The trust asked for is that of the folder the CAD loads the walker
    // from: a folder it does not trust would have it ask its user.
    const CadEnvironment& environment = cadEnvironment();
    const QString folder = environment.walkerFolder(environment.executableFolder());
    // Code the CAD loads runs with the CAD's rights and holds its drawings:
    // from a folder that others may write into, whatever SECURELOAD says,
    // it is not loaded at all.
    if (environment.othersMayWrite(folder))
        return {};
    if (!cad.MayLoadCodeFrom(folder))
        return {};
    try {
        Variant walker = automation::call(cad.FApplication(), u"GetInterfaceObject",
                                          Variant::bstr(std::u16string(walk::walkerProgId)));
        // A walker registered by another copy of the program answers another
        // version: its answers may have another shape.
        const Variant version = automation::get(walker, u"Version");
        if (version.type() != automation::VarType::BStr || version.toBStr() != walk::walkerVersion())
            return {};
        return walker;
    } catch (const automation::AutomationError&) {
        // The CAD gives no walker (none registered, another bitness, its
        // security settings): the walk runs here, as it always could. A CAD
        // that does not answer at all fails the command instead.
        return {};
    }
}

ModelSpaceWalker::ModelSpaceWalker(TAbstrAcadObj& cad) : m_modelSpace(cad.FModelSpace()), m_walker(cad.walker()) {}

ModelSpaceWalker::ModelSpaceWalker(Variant modelSpace, Variant walker)
    : m_modelSpace(std::move(modelSpace)), m_walker(std::move(walker))
{
}

void ReadLayerRecords(const Variant& walker, const Variant& layers, int32_t count,
                      const std::function<void(int32_t, walk::LayerRecord&&)>& take)
{
    Variant inCad = walker;
    int32_t first = 0;
    while (first < count) {
        const int32_t size = count - first;
        walk::LayerChunk chunk = walkedWhereItCan(
            inCad, [&] { return walk::readLayers(layers, first, size); },
            [&] {
                return walk::decodeLayers(
                    automation::call(inCad, u"Layers", layers, Variant::i4(first), Variant::i4(size)), first, size);
            });
        for (size_t i = 0; i < chunk.records.size(); ++i)
            take(first + int32_t(i), std::move(chunk.records[i]));
        if (chunk.failure)
            automation::raiseCallFailure(chunk.failure->code, chunk.failure->description, chunk.failure->source,
                                         u"Layers");
        if (chunk.next <= first)
            throw automation::AutomationError(automation::hr::E_Fail, u"The read of the layer table made no headway",
                                              u"Vedoris.Walker");
        first = chunk.next;
        progress::throwIfCancelled();
    }
}

template <typename Chunk, typename Walk, typename Take>
void ModelSpaceWalker::walkInChunks(int32_t count, const QString& stage, Walk&& walkRange, Take&& take)
{
    ChunkPacer pacer(inCad() ? firstChunkInCad : firstChunkHere);
    int32_t first = 0;
    progress::stage(stage);
    progress::step(0, count);
    while (first < count) {
        const int32_t size = std::min(pacer.size(), count - first);
        const auto started = std::chrono::steady_clock::now();
        Chunk chunk = walkRange(first, size);
        pacer.took(chunk.next - first, std::chrono::steady_clock::now() - started);
        take(chunk);
        if (chunk.failure)
            raise(*chunk.failure);
        // A walk that makes no headway (an answer that claims none) would
        // never end: the walker's answer is checked to claim at least one
        // entity, or a failure.
        if (chunk.next <= first)
            throw automation::AutomationError(automation::hr::E_Fail, u"The walk of model space made no headway",
                                              u"Vedoris.Walker");
        first = chunk.next;
        // Whatever the chunk's matches did meanwhile (a selection sent, a
        // wait for the CAD), the window shows this walk again.
        progress::stage(stage);
        progress::step(first, count);
        progress::throwIfCancelled();
    }
}

void ModelSpaceWalker::collectPipes(int32_t count, const QString& stage,
                                    const std::function<void(walk::PipeRow&&)>& take)
{
    walkInChunks<walk::PipeChunk>(
        count, stage,
        [this](int32_t first, int32_t size) {
            return walkedWhereItCan(
                m_walker, [&] { return walk::collectPipes(m_modelSpace, first, size); },
                [&] {
                    return walk::decodePipes(automation::call(m_walker, u"Pipes", m_modelSpace, Variant::i4(first),
                                                              Variant::i4(size)),
                                             first, size);
                });
        },
        [&take](walk::PipeChunk& chunk) {
            for (walk::PipeRow& row : chunk.rows)
                take(std::move(row));
        });
}

void ModelSpaceWalker::findEntities(int32_t count, const Variant& objectId, const QString& stage,
                                    const std::function<void(const std::u16string&)>& take)
{
    walkInChunks<walk::MatchChunk>(
        count, stage,
        [this, &objectId](int32_t first, int32_t size) {
            return walkedWhereItCan(
                m_walker, [&] { return walk::findEntities(m_modelSpace, first, size, objectId); },
                [&] {
                    return walk::decodeMatches(automation::call(m_walker, u"Find", m_modelSpace, Variant::i4(first),
                                                                Variant::i4(size), objectId),
                                               first, size);
                });
        },
        [&take](walk::MatchChunk& chunk) {
            for (const std::u16string& handle : chunk.handles)
                take(handle);
        });
}
