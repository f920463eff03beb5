#include "cad/ProjectDrawing.h"

#include "cad/CadApplications.h"
#include "cad/DrawingDocuments.h"
#include "cad/SystemVariables.h"
#include "cad/TAbstrAcadObj.h"
#include "platform/automation/AutomationError.h"
#include "platform/automation/Dispatch.h"
#include "platform/automation/HResult.h"

#include <QFileInfo>

#include <utility>

using automation::Variant;

ProjectDrawing::~ProjectDrawing()
{
    try {
        letGo();
    } catch (...) {
        // Only on the way of a failure (close() lets go on the way of
        // success): the command ends with that failure, and nothing here may
        // replace it. A document the editor could not close stays open, as
        // any drawing the user opened would.
    }
}

void ProjectDrawing::close() { letGo(); }

void ProjectDrawing::letGo()
{
    if (m_closed)
        return;
    m_closed = true;
    m_modelSpace.clear();
    if (m_source == Source::Editor) {
        // Exactly this document, never the collection's Close, which would
        // close every drawing the user has open; and never saved.
        const Variant document = std::exchange(m_holder, Variant());
        if (!document.isDispatch())
            return; // it never opened: the user's drawing is still the active one
        automation::call(document, u"Close", Variant::boolean(false));
        if (m_usersDocument.isDispatch())
            automation::call(std::exchange(m_usersDocument, Variant()), u"Activate");
        return;
    }
    // The reader lets the file go when its last reference does.
    m_holder.clear();
}

DrawingOpener::DrawingOpener(TAbstrAcadObj& cad)
    : m_cad(cad),
      m_reader(DrawingReaderProgId(cad.cadApplication(),
                                   QString::fromStdU16String(automation::get(cad.FApplication(), u"Version").toBStr())))
{
}

std::unique_ptr<ProjectDrawing> DrawingOpener::open(const QString& path)
{
    if (const Variant document = FindOpenDocument(m_cad.FApplication(), path); document.isDispatch())
        return openDocument(document);
    if (!QFileInfo(path).isFile())
        throw automation::AutomationError(automation::hr::E_Fail, u"Файл не найден", {}, u"Open");
    if (m_reader) {
        if (std::unique_ptr<ProjectDrawing> read = openWithReader(path))
            return read;
    }
    return openInEditor(path);
}

std::unique_ptr<ProjectDrawing> DrawingOpener::openDocument(const Variant& document)
{
    std::unique_ptr<ProjectDrawing> drawing(new ProjectDrawing());
    drawing->m_source = ProjectDrawing::Source::OpenDocument;
    drawing->m_holder = document;
    drawing->m_modelSpace = automation::get(document, u"ModelSpace");
    drawing->m_identity = DrawingIdentity(document);
    return drawing;
}

std::unique_ptr<ProjectDrawing> DrawingOpener::openWithReader(const QString& path)
{
    Variant reader;
    try {
        reader = automation::call(m_cad.FApplication(), u"GetInterfaceObject", Variant::bstr(*m_reader));
    } catch (const automation::AutomationError&) {
        // The CAD has no such class, or will not make it: the editor reads
        // this drawing and the rest.
        m_reader.reset();
        return nullptr;
    }
    std::unique_ptr<ProjectDrawing> drawing(new ProjectDrawing());
    drawing->m_source = ProjectDrawing::Source::Reader;
    drawing->m_holder = reader; // let go whatever follows
    // Read only: the reader never writes, and nothing is saved.
    automation::call(reader, u"Open", Variant::bstr(path.toStdU16String()));
    drawing->m_modelSpace = automation::get(reader, u"ModelSpace");
    drawing->m_identity = DrawingIdentity(reader);
    return drawing;
}

std::unique_ptr<ProjectDrawing> DrawingOpener::openInEditor(const QString& path)
{
    std::unique_ptr<ProjectDrawing> drawing(new ProjectDrawing());
    drawing->m_source = ProjectDrawing::Source::Editor;
    drawing->m_usersDocument = automation::get(m_cad.FApplication(), u"ActiveDocument");
    const Variant documents = automation::get(m_cad.FApplication(), u"Documents");
    drawing->m_holder =
        automation::call(documents, u"Open", Variant::bstr(path.toStdU16String()), Variant::boolean(true));
    drawing->m_modelSpace = automation::get(drawing->m_holder, u"ModelSpace");
    drawing->m_identity = DrawingIdentity(drawing->m_holder);
    return drawing;
}
