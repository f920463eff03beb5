#pragma once

#include "platform/automation/Variant.h"

#include <QString>

#include <memory>
#include <optional>
#include <string>

class TAbstrAcadObj;

// A drawing of a project, opened for the harvest to read its model space:
// from the document it is open in (the user may have changes there that are
// not saved yet); else inside the CAD as a database without a document,
// where the CAD has a reader for that (no window, no regeneration, read
// only, the file unlocked once the reader is let go); else in the editor,
// read only, for the while. Nothing is ever saved.
class ProjectDrawing {
public:
    enum class Source {
        OpenDocument, // it was open in the CAD already
        Reader,       // the CAD's reader of drawings without the editor
        Editor,       // opened in the editor for the harvest
    };

    // Lets the drawing go, whatever happened: the reader's objects released,
    // the document it opened in the editor closed without saving and the
    // user's drawing made the active one again. Where the way out failed (a
    // stopped command, a CAD that went away), that is all it can do.
    ~ProjectDrawing();
    ProjectDrawing(const ProjectDrawing&) = delete;
    ProjectDrawing& operator=(const ProjectDrawing&) = delete;

    const automation::Variant& modelSpace() const { return m_modelSpace; }
    // Its identity (DrawingIdentity); empty where the CAD cannot tell.
    const QString& identity() const { return m_identity; }
    Source source() const { return m_source; }

    // Lets the drawing go on the way of success, as the destructor does, but
    // with a failure of it raised.
    void close();

private:
    friend class DrawingOpener;
    ProjectDrawing() = default;
    void letGo();

    Source m_source = Source::OpenDocument;
    automation::Variant m_holder; // the reader, or the document
    automation::Variant m_modelSpace;
    automation::Variant m_usersDocument; // active again after the editor's document
    QString m_identity;
    bool m_closed = false;
};

// Opens the drawings of a project in the CAD of one connection, each by the
// cheapest way the CAD offers (ProjectDrawing).
class DrawingOpener {
public:
    explicit DrawingOpener(TAbstrAcadObj& cad);

    // The drawing at `path`, opened for reading. Why the CAD cannot read it
    // (no such file, locked by another user, newer than the CAD, damaged,
    // protected, no drawing at all) is an AutomationError with the CAD's own
    // words; a missing file is said before the CAD is asked.
    std::unique_ptr<ProjectDrawing> open(const QString& path);

    // Whether it reads drawings without the editor: the CAD names a reader
    // and has not refused it.
    bool readsWithoutTheEditor() const { return m_reader.has_value(); }

private:
    std::unique_ptr<ProjectDrawing> openDocument(const automation::Variant& document);
    std::unique_ptr<ProjectDrawing> openWithReader(const QString& path);
    std::unique_ptr<ProjectDrawing> openInEditor(const QString& path);

    TAbstrAcadObj& m_cad;
    std::optional<std::u16string> m_reader;
};
