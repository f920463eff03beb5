// The harvest of a project's drawings: every pipe of each drawing, each with
// the drawing it was read from.

#include "cad/ModelSpaceWalker.h"
#include "cad/ProjectDrawing.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/messages/Progress.h"
#include "platform/os/Paths.h"
#include "spec/TSpecification.h"

using automation::Variant;

std::vector<DrawingRead> TSpecification::ReadFromDrawings(const QStringList& paths)
{
    std::vector<DrawingRead> reads;
    harvest([&](TAbstrAcadObj& cad) {
        DrawingOpener opener(cad);
        const int32_t drawings = int32_t(paths.size());
        for (int32_t i = 0; i < drawings; ++i) {
            progress::throwIfCancelled();
            DrawingRead read;
            read.path = paths[i];
            const QString stage =
                QStringLiteral("Чертёж %1 из %2: ").arg(i + 1).arg(drawings) + os::fileNameOf(read.path);
            progress::stage(stage);
            // The pipes of one drawing are kept once it has been read whole.
            std::vector<std::unique_ptr<TspDetail>> kept;
            try {
                const std::unique_ptr<ProjectDrawing> drawing = opener.open(read.path);
                const int32_t last =
                    automation::add(automation::get(drawing->modelSpace(), u"Count"), Variant::i4(-1)).toI4();
                ModelSpaceWalker walker(drawing->modelSpace(), cad.walker());
                walker.collectPipes(last + 1, stage, [&](walk::PipeRow&& row) {
                    std::unique_ptr<TspDetail> detail = pipeDetail(std::move(row), drawing->identity(), read.path);
                    if (IsValidDetail(*detail))
                        kept.push_back(std::move(detail));
                });
                drawing->close();
            } catch (const automation::AutomationError& answer) {
                // What the CAD answered about this drawing: it cannot be read.
                // The other drawings are read all the same.
                read.failure = QString::fromStdU16String(answer.message());
                kept.clear();
            }
            read.pipes = int32_t(kept.size());
            for (std::unique_ptr<TspDetail>& detail : kept)
                Add(detail);
            reads.push_back(std::move(read));
        }
    });
    return reads;
}
