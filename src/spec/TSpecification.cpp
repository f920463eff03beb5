#include "spec/TSpecification.h"

#include "cad/DrawingDocuments.h"
#include "cad/ModelSpaceWalker.h"
#include "cad/SystemVariables.h"
#include "cad/TAbstrAcadObj.h"
#include "data/DatabaseMessages.h"
#include "data/FinishEdit.h"
#include "data/TSpecData.h"
#include "platform/automation/Dispatch.h"
#include "platform/db/Transaction.h"
#include "platform/messages/Messages.h"
#include "platform/messages/Progress.h"
#include "platform/messages/MessageAbort.h"
#include "spec/TspDetTruba.h"
#include "walk/PipeSizes.h"

#include <cmath>
#include <stdexcept>

using automation::Variant;

namespace {

// The load command of the pipe program: the file name alone, found by the
// CAD in its support folders, and one trailing blank that ends the input.
const QString LoadCommand = QStringLiteral("(load \"tr.fas\") ");
const QString PipeProgram = QStringLiteral("tr.fas");

} // namespace

TSpecification::TSpecification(int32_t capacity)
{
    if (capacity < 0)
        throw std::out_of_range("Range check error");
    m_items.resize(static_cast<size_t>(capacity == 0 ? DefaultCapacity : capacity));
}

TSpecification::~TSpecification() = default;

bool TSpecification::IsValidDetail(const TspDetail& detail)
{
    if (detail.FKind != TspDetail::KindPipe)
        return false;
    const auto* pipe = dynamic_cast<const TspDetTruba*>(&detail);
    return pipe && pipesolid::hasPipeSizes(pipe->FLength, pipe->FRmax, pipe->FRmin);
}

int32_t TSpecification::Add(std::unique_ptr<TspDetail>& detail)
{
    if (!detail || !IsValidDetail(*detail))
        return -1;
    if (m_count >= FCapacity())
        Grow();
    m_items[static_cast<size_t>(m_count)] = std::move(detail);
    return m_count++;
}

void TSpecification::Grow() { m_items.resize(m_items.size() + GrowBy); }

void TSpecification::ReadFromDrawing()
{
    harvest([this](TAbstrAcadObj& cad) {
        const QString drawing = DrawingIdentity(cad.FDocument());
        const QString path = DrawingFile(cad.FDocument());
        const int32_t last = automation::add(automation::get(cad.FModelSpace(), u"Count"), Variant::i4(-1)).toI4();
        ModelSpaceWalker walker(cad);
        walker.collectPipes(last + 1, QStringLiteral("Чтение объекта %1 из %2"),
                            [&](walk::PipeRow&& row) { keepPipe(std::move(row), drawing, path); });
    });
}

void TSpecification::harvest(const std::function<void(TAbstrAcadObj& cad)>& read)
{
    // Attaching lies outside the guard: a failed attach ends the command with
    // its own message.
    std::unique_ptr<TAbstrAcadObj> ownCad;
    if (!m_cad)
        ownCad = std::make_unique<TAbstrAcadObj>();
    TAbstrAcadObj& cad = ownCad ? *ownCad : *m_cad;

    try {
        progress::stage(QStringLiteral("Установка программы tr.fas"));
        cad.InstallSupportFile(PipeProgram, 2, true);
        cad.RunCommand(LoadCommand);
        read(cad);
    } catch (const SilentAbort&) {
        // The user stopped the harvest, or a step ended it with its own
        // words: nothing is saved, and nothing more said.
        throw;
    } catch (...) {
        // Every other failure of the harvest, whether the CAD answered with
        // an error or stopped answering (a failed link), ends it with its one
        // message. A drawing read only in part must not replace the stored
        // rows: the user's table, rows typed by hand included, stays as it was.
        throw MessageAbort(QStringLiteral("Произошли ошибки при работе с Автокадом!!!"));
    }
}

void TSpecification::keepPipe(walk::PipeRow&& row, const QString& drawing, const QString& path)
{
    std::unique_ptr<TspDetail> detail = pipeDetail(std::move(row), drawing, path);
    Add(detail); // a rejected detail is freed with `detail`
}

std::unique_ptr<TspDetail> TSpecification::pipeDetail(walk::PipeRow&& row, const QString& drawing, const QString& path)
{
    auto pipe = std::make_unique<TspDetTruba>();
    pipe->FLayer = QString::fromStdU16String(row.layer);
    pipe->FObjectID = row.objectId;
    pipe->FHandle = QString::fromStdU16String(row.handle);
    pipe->FLength = row.length;
    pipe->FRmax = row.outerDiameter;
    pipe->FRmin = row.innerDiameter;
    pipe->FDrawing = drawing;
    pipe->FPath = path;
    return pipe;
}

void TSpecification::SaveToTable(TSpecData& data)
{
    db::Dataset& table = *data.TTruba;
    if (!table.isActive()) {
        messages::showMessage(noConnectionMessage());
        return;
    }

    // All rows are replaced at once: a table operation that fails part-way
    // must not leave the user with neither the old rows nor the new ones.
    // Begun first: a file another program holds locked refuses it, and the
    // harvest then ends having taken nothing, the row being typed included.
    db::Transaction transaction(table.connection());

    // Every row is replaced, so a row the user was still typing goes the way
    // a deleted row in that state goes: dropped, not validated. Otherwise one
    // half-typed row would refuse its post and throw the harvest away.
    table.cancel();

    // The grid is told once, at the end, instead of for every row.
    const db::ControlsDisabled detached(table);

    try {
        writeRows(data);
        transaction.commit();
    } catch (...) {
        // Whatever failed, the replacement is undone before the failure goes on.
        transaction.rollback();
        // The rows in memory no longer match the file: show the stored ones.
        try {
            table.cancel();
            table.requery();
        } catch (...) {
            // Showing the stored rows failed too: the first failure is the one to report.
        }
        throw;
    }
    // New rows stay where they were posted; reading them again shows the
    // pipes sorted like any opened table, from the first row.
    table.requery();
    table.first();
}

void TSpecification::writeRows(TSpecData& data)
{
    db::Dataset& table = *data.TTruba;
    // Rows go from the end and come in at the end: the table keeps its rows
    // in one list, where taking the first row or adding before it would move
    // every other row each time. The rows stored are the same either way.
    table.last();
    while (table.recordCount() > 0)
        table.deleteRecord();
    progress::stage(QStringLiteral("Запись трубы %1 из %2"));
    for (int32_t i = 0; i < m_count; ++i) {
        progress::step(i + 1, m_count);
        const TspDetail& detail = *m_items[static_cast<size_t>(i)];
        if (detail.FKind != TspDetail::KindPipe)
            continue;
        const auto& pipe = static_cast<const TspDetTruba&>(detail);
        table.append();
        data.TTrubaFLayer->setAsString(pipe.FLayer);
        // Stored whole: a CAD with 64-bit ObjectIDs must find its entity again.
        data.TTrubaFObjectID->setAsInteger(pipe.FObjectID);
        data.TTrubaFLength->setAsFloat(pipe.FLength);
        data.TTrubaFRmax->setAsFloat(pipe.FRmax);
        data.TTrubaFRmin->setAsFloat(pipe.FRmin);
        if (!pipe.FHandle.isEmpty())
            data.TTrubaFHandle->setAsString(pipe.FHandle);
        if (!pipe.FDrawing.isEmpty())
            data.TTrubaFDrawing->setAsString(pipe.FDrawing);
        if (!pipe.FPath.isEmpty())
            data.TTrubaFPath->setAsString(pipe.FPath);
        FinishEdit(table);
    }
}

void RequireWritablePipeTable(TSpecData& data)
{
    // A table that cannot take the rows is said so before the CAD is asked to
    // load anything or walk a drawing whose pipes would only be thrown away.
    if (!data.TTruba->isActive())
        throw MessageAbort(noConnectionMessage());
    if (data.isReadOnly())
        throw MessageAbort(readOnlyMessage(data.ADOConnection.dataSource()));
}

void HarvestPipes(TSpecData& data)
{
    RequireWritablePipeTable(data);
    // The harvested pipe list goes whatever happens.
    TSpecification specification(0);
    specification.ReadFromDrawing();
    specification.SaveToTable(data);
}
