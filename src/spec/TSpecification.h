#pragma once

#include "spec/TspDetail.h"
#include "walk/EntityReads.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

class TAbstrAcadObj;
class TSpecData;

// One drawing of a project as the harvest found it.
struct DrawingRead {
    QString path;
    int32_t pipes = 0; // the pipes kept of it
    QString failure;   // why it could not be read: the CAD's words; empty when it was
    bool wasRead() const { return failure.isEmpty(); }
};

// The pipes of the active drawing: one harvest walks model space, keeps a
// pipe detail for every valid pipe solid, and then replaces the rows of the
// pipe table with one row per kept pipe. It lives for one run of the command.
class TSpecification {
public:
    static constexpr int32_t DefaultCapacity = 100;
    static constexpr int32_t GrowBy = 100;

    // A capacity of 0 means the default; a negative one is std::out_of_range.
    explicit TSpecification(int32_t capacity);
    ~TSpecification();
    TSpecification(const TSpecification&) = delete;
    TSpecification& operator=(const TSpecification&) = delete;

    // Takes the detail when it is valid and returns its index; otherwise -1,
    // and the detail stays with the caller.
    int32_t Add(std::unique_ptr<TspDetail>& detail);
    static bool IsValidDetail(const TspDetail& detail);
    void Grow();

    // Attaches to the running CAD (its MessageAbort passes through when that
    // fails), installs and loads the pipe program, and collects the pipes,
    // inside the CAD where it loads the walker (ModelSpaceWalker). A failure
    // on the way raises a MessageAbort "Произошли ошибки при работе с
    // Автокадом!!!", so that nothing is saved; the user's "Отмена" raises
    // progress::Cancelled, and nothing is saved or said.
    void ReadFromDrawing();
    // The same for the drawings of a project, in the order given, with the
    // pipe program installed and loaded once: each drawing is read from the
    // document it is open in, or inside the CAD without the editor, or in the
    // editor for the while (ProjectDrawing), and its pipes are kept with its
    // identity and file. A drawing the CAD cannot read (missing, locked,
    // newer than the CAD, damaged, no drawing) keeps none and says why; the
    // rest are read all the same. What fails the CAD itself, and the user's
    // stop, end it as for one drawing.
    std::vector<DrawingRead> ReadFromDrawings(const QStringList& paths);
    // Replaces every row of the pipe table of `data` with the collected
    // pipes, in one transaction: a failing row leaves the table as it was.
    void SaveToTable(TSpecData& data);

    int32_t FCount() const { return m_count; }
    int32_t FCapacity() const { return static_cast<int32_t>(m_items.size()); }
    const TspDetail& item(int32_t index) const { return *m_items.at(static_cast<size_t>(index)); }

    // A connection the harvest should use instead of attaching itself; it
    // stays the caller's and is left alone.
    void setCad(TAbstrAcadObj* cad) { m_cad = cad; }

private:
    // Attaches (or takes setCad's connection), installs and loads the pipe
    // program, and runs `read` under the harvest's guard.
    void harvest(const std::function<void(TAbstrAcadObj& cad)>& read);
    // Keeps a pipe of the walk, read from the drawing with that identity and
    // file, as a detail, when it is a valid one.
    void keepPipe(walk::PipeRow&& row, const QString& drawing, const QString& path);
    static std::unique_ptr<TspDetail> pipeDetail(walk::PipeRow&& row, const QString& drawing, const QString& path);
    void writeRows(TSpecData& data);

    TAbstrAcadObj* m_cad = nullptr;
    int32_t m_count = 0;
    std::vector<std::unique_ptr<TspDetail>> m_items;
};

// A table that is not open, or a file that cannot be written, is refused
// (a MessageAbort with what to say) before the CAD is reached, rather than
// found out after the walk.
void RequireWritablePipeTable(TSpecData& data);

// The command "Получить размеры труб" as a whole, but for its window: the
// pipes of the active drawing replace the rows of the pipe table of `data`
// (RequireWritablePipeTable first). Returns once the rows are stored; a refused file, a failed attach
// or a failure of the CAD ends it with a MessageAbort, the user's stop with
// progress::Cancelled, a failure of the table with its own error.
void HarvestPipes(TSpecData& data);
